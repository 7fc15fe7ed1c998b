# The report list with per-cell records, its header and drop-down list.
list(APPEND TAV_CONTROLS_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/combo_choices.cc
  ${CMAKE_CURRENT_LIST_DIR}/combo_list.cc
  ${CMAKE_CURRENT_LIST_DIR}/report_cell_delegate.cc
  ${CMAKE_CURRENT_LIST_DIR}/report_header.cc
  ${CMAKE_CURRENT_LIST_DIR}/report_list_ctrl.cc
  ${CMAKE_CURRENT_LIST_DIR}/report_list_model.cc
)
