#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets into the folders beside this script."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def root_index_seeds():
    put("fuzz_root_index", "two_groups", b"Bench=1,1\nSlow=2,60\n")
    put("fuzz_root_index", "all_depths", b"Y=1,1296000\n\n\nM=1A,43200\nD=3,1800\nH=4,1\n")
    put("fuzz_root_index", "blanks_cr", "温度=3, 1800\r\nx=4 ,5\n=5,5\n".encode("gb18030"))
    put("fuzz_root_index", "stops_early", b"A=1,1\nbad line\nB=2,2\n")
    put("fuzz_root_index", "overflow", b"A=4294967295,4294967296\n")


def key_prefix(count, year, month, day, hour):
    return struct.pack("<5H", count, year, month, day, hour)


def stem_seeds():
    put("fuzz_stem", "nested_block", key_prefix(3, 2011, 5, 17, 10) + b"1A\\2011\\05\\17(3)")
    put("fuzz_stem", "flat", key_prefix(2, 2012, 2, 29, 0) + b"1A-2011-05-17")
    put("fuzz_stem", "year_only", key_prefix(0, 30827, 0, 0, 0) + b"2011")
    put("fuzz_stem", "big_values", key_prefix(7, 65535, 13, 32, 24) + b"FFFFFFFF\\65535\\99(FF)")


def record_block(year, month, day, hour, seconds, values):
    lines = [b"Bench", b"Time,a,b,c"]
    for s in seconds:
        lines.append(b"%04d-%02d-%02d %02d:%02d:%02d,%s" % (
            year, month, day, hour + s // 3600, s // 60 % 60, s % 60, values))
    return b"\n".join(lines) + b"\n"


def index_for(blocks_seconds, blocks_text):
    out = b""
    for block, (seconds, text) in enumerate(zip(blocks_seconds, blocks_text)):
        offset = text.index(b"\n", text.index(b"\n") + 1) + 1
        for s in seconds:
            out += struct.pack("<II", s << 4, offset << 8 | block)
            offset = text.index(b"\n", offset) + 1
    return out


def query_seed(name, flags, key, start_offset, span, interval, stop_after, index, block0,
               block1):
    y, m, d, h = key
    header = struct.pack("<B4BiiIBBHH", flags, y, m, d, h, start_offset * 16, span * 16,
                         interval, stop_after, 0, len(index), len(block0))
    put("fuzz_folder_query", name, header + index + block0 + block1)


def folder_query_seeds():
    # An hour folder (depth 3) of 2011-05-17 10:00 with records every 10 s in two blocks.
    s0 = list(range(0, 60, 10))
    s1 = list(range(60, 120, 10))
    b0 = record_block(2011, 5, 17, 10, s0, b"1.5,2,3")
    b1 = record_block(2011, 5, 17, 10, s1, b"4,5,6")
    index = index_for([s0, s1], [b0, b1])
    both = 3 | 1 << 3 | 1 << 4
    # Key bytes: year variant 0 (2011), month 1 + 4, day 1 + 16, hour 10.
    key = (0, 4, 16, 10)
    query_seed("hour_interval0", both, key, 5, 40, 0, 0, index, b0, b1)
    query_seed("hour_interval25", both, key, 5, 40, 25, 0, index, b0, b1)
    query_seed("hour_stop3", both | 1 << 5 | 1 << 6, key, 0, 200, 0, 3, index, b0, b1)
    query_seed("missing_block1", 3 | 1 << 3, key, 0, 3600, 30, 0, index, b0, b1)
    # A day folder (depth 2) whose index is synthesized from the line starts.
    plan = bytes([0, 4, 10, 2, 10, 2, 10, 3, 200, 0x83])
    query_seed("day_synth", 2 | 1 << 2 | 1 << 3 | 1 << 4, key, -100, 100000, 60, 0, plan, b0,
               b1)
    # A month folder with an impossible key (month 13) and a year folder of a leap year.
    query_seed("month13", 1 | 1 << 3, (0, 12, 0, 0), -5000000, 9000000, 0, 0, index[:48], b0,
               b"")
    query_seed("year_leap", 0 | 1 << 3 | 1 << 4, (1, 0, 0, 0), 0, 40000000, 3600, 0, index,
               b0, b1)


def table_seeds():
    put("fuzz_record_table", "export", b"Line1 log\nTime,T1,T2\n2024-01-01 00:00:00,1,2\n"
        b"2024-01-01 00:00:10,3,4\n")
    put("fuzz_record_table", "crlf_blank", b"T\r\n\r\nTime,a,\r\n\r\nt,1,2,3\r\n")
    put("fuzz_record_table", "gbk_nul", "温度\nTime,压力\n".encode("gb18030") + b"x,\x00y\nz")
    put("fuzz_interval", "fuzzed", b"T\n\r\n2024-1-01 0:0:2")
    put("fuzz_interval", "gaps", b"2024-01-01 00:00:00,1\nbad\n2024-01-01 00:00:10,2\n"
        b"2023-12-31 23:59:59,3\n9999-12-31 23:59:59,4\n")


EXAMPLE = (b"[LogName]\r\nName=Line 3\r\n[Remark]\r\nRemarkText=\r\n[Channel]\r\n"
           b"TotolChannel=2\r\nShowNum=2\r\n[Display]\r\nDeskColor=29\r\nGridType=0\r\n"
           b"[YAxis]\r\nYAxisType=0\r\nManualMax=100.000000\r\nManualMin=0.000000\r\n"
           b"[YGrid]\r\nYGridIntervalType=1\r\nYGridInterval=4.000000\r\nCH1=P1\r\nCH2=P2\r\n"
           b"\r\n[P1]\r\nId=0\r\nbShow=1\r\nShowId=0\r\nLineColor=0\r\nLineType=0\r\n[P2]\r\n"
           b"Id=1\r\nbShow=1\r\nShowId=1\r\nLineColor=1\r\nLineType=1\r\n")


def config_seeds():
    # The first byte gives the record's channel count (mod 6).
    put("fuzz_config_reader", "example", b"\x02" + EXAMPLE)
    put("fuzz_config_reader", "fixed_names", b"\x03[LogName]\nName=[x] = y \n[Channel]\n"
        b"TotolChannel=4\n[YGrid]\nCH1=Display\nCH2= YAxis \nCH3=Display\nCH4=z\n[Display]\n"
        b"DeskColor=-3\n[Display]\nbShow=2\nLineColor=99\n[YAxis]\nLineType=-1\n[Display]\n"
        b"bShow=0\n")
    put("fuzz_config_reader", "gb18030", b"\x05" + "[LogName]\nName=温度\n[Channel]\n"
        "TotolChannel=9999999999\nCH1=压力压力压力压力压力压力压力压力压力\n".encode("gb18030"))


def curve_print_seed(name, choices, ini, record):
    put("fuzz_curve_print", name, struct.pack("<BH", choices, len(ini)) + ini + record)


def curve_print_seeds():
    # Choices: bit 0 the time axis, bit 1 the envelope.
    rows = b"".join(b"2024-01-01 00:%02d:%02d,%d.5,%d\n" % (s // 60, s % 60, s, -s)
                    for s in range(0, 600, 10))
    curve_print_seed("example", 0, EXAMPLE, b"Line 3\nTime,P1,P2\n" + rows)
    curve_print_seed("time_axis_gaps", 3, b"", b"T\nTime,a\n2024-01-01 00:00:00,1\n"
                     b"2024-01-01 00:00:10,2\n2024-01-01 05:00:00,3\n2023-12-31 00:00:00,4\n")
    curve_print_seed("odd_y_grid", 0, b"[YAxis]\nYAxisType=1\nManualMax=1\nManualMin=1\n"
                     b"[YGrid]\nYGridIntervalType=1\nYGridInterval=0.000000001\n",
                     b"T\nTime,a\n2024-01-01 00:00:00,1\n2024-01-01 00:00:01,1\n")
    curve_print_seed("years", 1, b"", b"T\nTime,a\n1601-01-01 00:00:00,1\n"
                     b"9999-12-31 23:59:59,2\n")
    curve_print_seed("wide_header", 0, b"[Remark]\nRemarkText=" + b"r" * 700 + b"\n",
                     b"Wide\nTime" + b"," * 3000 + b"\n2024-01-01 00:00:00,1\n")


def alarm_log_seeds():
    default = b"id=ID;event=Event;message=Message;alarm=ALM;ack=ACK;clear=CLR\n"
    put("fuzz_alarm_log", "default", b"\x00" + default + b"Time,ID,Event,Message\n"
        b"2024-01-01 00:00:05,1001,ALM,Boiler hot, very\n"
        b"2024-01-01 00:00:09,1001,ACK,Boiler hot, very\n"
        b"2024-01-01 00:00:07,1001,CLR,Boiler hot, very\n"
        b"garbage,1,ALM,x\n2024-01-01 00:00:10,12\n2024-01-01 00:01:00,7,RST,reset")
    put("fuzz_alarm_log", "other_words", b"\x06id=Tag;event=State;message=Text;alarm=Come,Alarm%20On;"
        b"ack=Quit;clear=Gone\nTime,Text,Tag,State\n"
        b"2024-01-01 00:00:01,Hot,T1, alarm on\n2024-01-01 00:00:02,Hot,T1,quit\n"
        b"2024-01-01 00:00:03,Hot,T1,GONE\n2024-01-01 00:00:04,Hot,T1,ALM")
    put("fuzz_alarm_log", "small_bounds", b"\x01bad\nTime,ID,Event,Message\n" +
        b"".join(b"2024-01-01 00:00:%02d,%d,ALM,%s\n" % (s, s % 3, "\u6e29\u5ea6\u9ad8".encode("gb18030") * 3)
                 for s in range(8)))


if __name__ == "__main__":
    root_index_seeds()
    stem_seeds()
    folder_query_seeds()
    table_seeds()
    config_seeds()
    curve_print_seeds()
    alarm_log_seeds()
