# The cases of chart14.include_direction_refuses_upward: small files in a tree
# shaped like tools/chart14, each with one include, that the scan with
# tools/chart14/include_direction.cmake must let through or refuse.
# file | line appended to it | refused or allowed
set(cases
  "support/text.hpp       | #include \"readdata14/layers.hpp\"  | allowed"
  "support/text.cpp       | #include \"support/text.hpp\"       | allowed"
  "support/text.cpp       | #include \"picture/layout.hpp\"     | refused"
  "output/runner.hpp      | #include \"support/text.hpp\"       | allowed"
  "output/runner.cpp      | #include \"commands/common.hpp\"    | refused"
  "picture/layout.hpp     | #include \"support/text.hpp\"       | allowed"
  "picture/fronts.hpp     | #include \"svg/document.hpp\"       | refused"
  "picture/fronts.hpp     | #include \"output/runner.hpp\"      | refused"
  "svg/document.hpp       | #include \"picture/layout.hpp\"     | allowed"
  "svg/document.cpp       | #include \"html/render.hpp\"        | refused"
  "html/render.hpp        | #include \"svg/document.hpp\"       | allowed"
  "html/render.cpp        | #include \"output/runner.hpp\"      | refused"
  "commands/common.hpp    | #include \"output/runner.hpp\"      | allowed"
  "commands/svg.cpp       | #include \"html/render.hpp\"        | allowed"
  "tests/layout_test.cpp  | #include \"commands/common.hpp\"    | allowed"
  "page/map.cpp           | #include \"support/text.hpp\"       | folder"
)
