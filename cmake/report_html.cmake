# velmora-report's library page (src/app/report_html.cpp) and its script and style sheet, built in from
# res/library-page.js and res/library-page.css: cmake/embed_page.cmake writes them into
# report_html_res.cpp in the build tree as two string constants, again whenever either file changes.
# Included by the top-level CMakeLists.txt after src/app.
set(report_html_res "${CMAKE_BINARY_DIR}/generated/report_html_res.cpp")
add_custom_command(OUTPUT "${report_html_res}"
  COMMAND ${CMAKE_COMMAND} -DJS=${CMAKE_SOURCE_DIR}/res/library-page.js
          -DCSS=${CMAKE_SOURCE_DIR}/res/library-page.css -DOUT=${report_html_res}
          -P "${CMAKE_SOURCE_DIR}/cmake/embed_page.cmake"
  DEPENDS "${CMAKE_SOURCE_DIR}/res/library-page.js" "${CMAKE_SOURCE_DIR}/res/library-page.css"
          "${CMAKE_SOURCE_DIR}/cmake/embed_page.cmake"
  COMMENT "Building the library page's script and style sheet in")
target_sources(velmora_core PRIVATE "${CMAKE_SOURCE_DIR}/src/app/report_html.cpp" "${report_html_res}")
