# The sortable list, its header, and the tab host.
list(APPEND TAV_CONTROLS_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/refusable_tab_widget.cc
  ${CMAKE_CURRENT_LIST_DIR}/sort_header.cc
  ${CMAKE_CURRENT_LIST_DIR}/sort_key.cc
  ${CMAKE_CURRENT_LIST_DIR}/sort_list_ctrl.cc
  ${CMAKE_CURRENT_LIST_DIR}/sort_list_model.cc
  ${CMAKE_CURRENT_LIST_DIR}/tab_page_host.cc
)
