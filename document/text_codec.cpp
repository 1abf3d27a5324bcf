#include "text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include "text_bytes.h"

namespace {

bool IsAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QString DecodeGb18030(std::string_view bytes) {
    const auto n = static_cast<qsizetype>(bytes.size());
    QStringDecoder decoder("GB18030");
    if (!decoder.isValid()) {
        return QString::fromLocal8Bit(bytes.data(), n);
    }
    return decoder.decode(QByteArrayView(bytes.data(), n));
}

}  // namespace

QString DecodeText(std::string_view bytes, TextCodec codec) {
    const auto n = static_cast<qsizetype>(bytes.size());
    if (IsAscii(bytes)) {
        return QString::fromLatin1(bytes.data(), n);
    }
    if (codec != TextCodec::kGb18030 && IsValidUtf8(bytes.data(), bytes.size())) {
        return QString::fromUtf8(bytes.data(), n);
    }
    return DecodeGb18030(bytes);
}

QString DecodeShown(std::string_view bytes, TextCodec codec) {
    if (bytes.size() <= kShownTextBytes) {
        return DecodeText(bytes, codec);
    }
    // A few bytes past the cut show whether it falls inside a character.
    const std::string_view window = bytes.substr(0, kShownTextBytes + 4);
    // As UTF-8: cut before the lead byte of a sequence that the cut would split.
    size_t cut = kShownTextBytes;
    while (cut > 0 && kShownTextBytes - cut < 3 &&
           (static_cast<unsigned char>(window[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    const size_t shown = codec != TextCodec::kGb18030 && IsValidUtf8(window.data(), cut)
                             ? cut
                             : DoubleByteSafeLength(window.data(), window.size(), kShownTextBytes);
    return DecodeText(window.substr(0, shown), codec) + QChar(0x2026);
}

std::string EncodeText(const QString& text, TextCodec codec) {
    QByteArray bytes;
    if (codec == TextCodec::kUtf8) {
        bytes = text.toUtf8();
    } else {
        QStringEncoder encoder("GB18030");
        bytes = encoder.isValid() ? QByteArray(encoder.encode(text)) : text.toLocal8Bit();
    }
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}
