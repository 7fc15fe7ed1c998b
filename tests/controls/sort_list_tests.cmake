# Tests of the sortable list and the tab host.
tav_add_test(tav_sort_list_tests LIBS tav_controls Qt6::Test SOURCES
  sort_key_test.cc
  sort_list_ctrl_test.cc
  sort_list_filter_test.cc
  tab_page_host_test.cc
)
