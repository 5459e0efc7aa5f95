# Which folders of the library each folder's files may include: one line per
# folder, the folder first, then every folder it may include (itself among
# them). `include` stands for the public headers (readdata14/include). Data
# flows one way, so a folder names only itself and the folders below it.
#
# The test include_direction (tests/folders/check_include_direction.cmake)
# checks every #include under readdata14/ against these lines, and fails on a
# folder that has no line here: a new folder gets its line with its first file.
set(readdata14_include_direction
  "include  : include"
  "reading  : reading include"
  "sections : sections reading include"
  "contours : contours reading include"
  "driver   : driver reading sections contours include"
  "layers   : layers driver reading sections contours include"
  "writing  : writing layers driver reading include"
  "api      : api writing layers driver reading sections contours include"
)
