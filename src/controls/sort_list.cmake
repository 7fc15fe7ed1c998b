# The sortable list, its header, and the tab host.
list(APPEND TAV_CONTROLS_SOURCES)
