# Tests of the programming record as the user sees it: the record in the
# pages' words (core), the PDF report (read back with poppler's pdftotext and
# pdfinfo), and the History tab (GUI). Included from tests/CMakeLists.txt.
add_unit_test(test_recordwords SOURCES history/test_recordwords.cpp)
add_unit_test(test_uploadreport GUI SOURCES history/test_uploadreport.cpp)
add_unit_test(test_uploadreport_offscreen SOURCES history/test_uploadreport_offscreen.cpp
              LIBS korapc_report)
add_unit_test(test_historypage GUI SOURCES history/test_historypage.cpp)
