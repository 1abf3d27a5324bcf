# The alarm analysis window and its printed report and CSV tables, on the plain analysis of
# CMakeLists.txt here; included from the top once Qt and the viewer's folders below it are known.
add_library(histavue_alarms STATIC
    ${CMAKE_CURRENT_LIST_DIR}/alarm_analysis_report.cpp
    ${CMAKE_CURRENT_LIST_DIR}/alarm_analysis_report.h
    ${CMAKE_CURRENT_LIST_DIR}/alarm_analysis_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/alarm_analysis_window.h
    ${CMAKE_CURRENT_LIST_DIR}/alarm_rate_chart.cpp
    ${CMAKE_CURRENT_LIST_DIR}/alarm_rate_chart.h
)
target_include_directories(histavue_alarms PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(histavue_alarms PUBLIC histavue_alarms_logic histavue_print
                                             histavue_document histavue_widgets Qt6::Widgets
                                             Qt6::PrintSupport)
