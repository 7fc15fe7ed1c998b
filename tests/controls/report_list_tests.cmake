# Tests of the report list.
