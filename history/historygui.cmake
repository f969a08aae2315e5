# The programming record as the user sees it. Core: the record in the pages'
# words and its differences from a page. Qt Gui alone: the one-page PDF report
# (korapc_report), so that korapc-program can write it with no display. GUI:
# the "History" tab and its list model.
target_sources(korapc_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/recordwords.cpp)

add_library(korapc_report STATIC ${CMAKE_CURRENT_LIST_DIR}/uploadreport.cpp)
set_target_properties(korapc_report PROPERTIES AUTOMOC OFF AUTORCC OFF)
target_link_libraries(korapc_report PUBLIC korapc_core PRIVATE Qt6::Gui)

target_sources(korapc_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/historymodel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/historypage.cpp
)
target_link_libraries(korapc_gui PUBLIC korapc_report)
