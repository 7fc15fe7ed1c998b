# Tests of the report list, and of the look that both lists share.
tav_add_test(tav_report_list_tests LIBS tav_controls Qt6::Test SOURCES
  report_list_ctrl_test.cc
  report_list_model_test.cc
  list_look_test.cc
)
