# Tests of the sortable list and the tab host.
