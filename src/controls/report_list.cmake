# The report list with per-cell records, its header and drop-down list.
list(APPEND TAV_CONTROLS_SOURCES)
