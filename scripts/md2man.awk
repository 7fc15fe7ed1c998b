# Turns a manual page written in a small Markdown subset into roff, so that
# the page reads as documentation in the tree and as man(1) output when
# installed. Usage:
#   awk -v name=tavsec -v section=1 -v version=0.1.0 -f md2man.awk tavsec.1.md
#
# The subset: "# HEADING" (a section), "## Heading" (a subsection), blank
# lines between paragraphs, "- " list items, four-space indented lines
# (shown as typed), and definition lists: a term line followed by lines
# starting with ":   ". Inline, `code` is bold and *word* italic.
function escape(text) {
  gsub(/\\/, "\\e", text)
  gsub(/-/, "\\-", text)
  return text
}
function inline(text,    out, parts) {
  text = escape(text)
  while (match(text, /`[^`]+`/)) {
    text = substr(text, 1, RSTART - 1) "\\fB" substr(text, RSTART + 1, RLENGTH - 2) "\\fR" \
           substr(text, RSTART + RLENGTH)
  }
  while (match(text, /\*[^*]+\*/)) {
    text = substr(text, 1, RSTART - 1) "\\fI" substr(text, RSTART + 1, RLENGTH - 2) "\\fR" \
           substr(text, RSTART + RLENGTH)
  }
  # A line must not start with a control character.
  if (text ~ /^[.']/) text = "\\&" text
  return text
}
# A paragraph's first line is held until the next line tells whether it
# is the term of a definition.
function flush_held() {
  if (held != "") { print ".PP"; print inline(held); held = "" }
}
BEGIN {
  printf ".TH %s %s \"\" \"%s %s\" \"TAV suite manual\"\n", toupper(name), section, name, version
  verbatim = 0; held = ""; after_blank = 1; in_list = 0
}
/^    / && !in_list {
  flush_held()
  if (!verbatim) { print ".PP"; print ".nf"; print ".RS 4"; verbatim = 1 }
  line = substr($0, 5)
  gsub(/\\/, "\\e", line)
  if (line ~ /^[.']/) line = "\\&" line
  print line
  next
}
verbatim { print ".RE"; print ".fi"; verbatim = 0 }
/^# / { flush_held(); print ".SH " toupper(inline(substr($0, 3))); after_blank = 1; in_list = 0; next }
/^## / { flush_held(); print ".SS " inline(substr($0, 4)); after_blank = 1; in_list = 0; next }
/^$/ { flush_held(); after_blank = 1; in_list = 0; next }
/^:   / {
  print ".TP"; print inline(held); held = ""
  print inline(substr($0, 5)); after_blank = 0; next
}
/^- / { flush_held(); print ".IP \\(bu 2"; print inline(substr($0, 3)); in_list = 1; after_blank = 0; next }
{
  if (after_blank && !in_list) { held = $0; after_blank = 0; next }
  flush_held()
  print inline($0)
}
END { flush_held(); if (verbatim) { print ".RE"; print ".fi" } }
