# Which parts of chart14 each folder's files may include: one line per
# folder, the folder first, then every folder it may include (itself among
# them). A part names only itself and the parts below it: the page (html/)
# embeds the SVG picture, so html sits above svg; both draw what picture/
# lays out; the runner over many inputs (output/) is for the commands alone.
#
# The test chart14.include_direction reads it with the library's scan
# (tests/folders/check_include_direction.cmake), hence the variable's name,
# and fails on a folder that has no line here.
set(readdata14_include_direction
  "support  : support"
  "output   : output support"
  "picture  : picture support"
  "svg      : svg picture support"
  "html     : html svg picture support"
  "commands : commands html svg picture output support"
  "tests    : tests commands html svg picture output support"
)
