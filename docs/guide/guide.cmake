# The user guide: Markdown pages in docs/guide/LANG/ turned into HTML by
# pandoc into build/guide/LANG/, beside the programs, with the screenshots
# in build/guide/images/ and the style sheet in build/guide/. Every page has
# a table of contents of its own; LANG/index.html lists the pages.
set(TAVREL_GUIDE_SOURCE ${CMAKE_SOURCE_DIR}/docs/guide)
set(TAVREL_GUIDE_DIR ${CMAKE_BINARY_DIR}/guide)
find_program(TAVREL_PANDOC pandoc)
file(GLOB TAVREL_GUIDE_IMAGES CONFIGURE_DEPENDS ${TAVREL_GUIDE_SOURCE}/images/*.png)
set(TAVREL_GUIDE_OUTPUTS)
foreach(lang ja en)
  if(lang STREQUAL "ja")
    set(toc_title "目次")
  else()
    set(toc_title "Contents")
  endif()
  file(GLOB pages CONFIGURE_DEPENDS ${TAVREL_GUIDE_SOURCE}/${lang}/*.md)
  foreach(page ${pages})
    get_filename_component(name ${page} NAME_WE)
    set(html ${TAVREL_GUIDE_DIR}/${lang}/${name}.html)
    add_custom_command(
      OUTPUT ${html}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVREL_GUIDE_DIR}/${lang}
      # lang as a variable: the page's language attribute, without pandoc
      # looking for translations of its own words it does not have for ja.
      COMMAND ${TAVREL_PANDOC} --from markdown --to html5 --standalone --toc --toc-depth=2
              --shift-heading-level-by=-1 --fail-if-warnings
              --lua-filter=${TAVREL_GUIDE_SOURCE}/links.lua --css=../guide.css
              --variable=lang:${lang} "--metadata=toc-title:${toc_title}"
              --output ${html} ${page}
      DEPENDS ${page} ${TAVREL_GUIDE_SOURCE}/links.lua
      COMMENT "Writing the guide page ${lang}/${name}.html"
      VERBATIM)
    list(APPEND TAVREL_GUIDE_OUTPUTS ${html})
  endforeach()
endforeach()
set(TAVREL_GUIDE_COPIES ${TAVREL_GUIDE_DIR}/guide.css)
add_custom_command(
  OUTPUT ${TAVREL_GUIDE_DIR}/guide.css
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TAVREL_GUIDE_SOURCE}/guide.css ${TAVREL_GUIDE_DIR}/guide.css
  DEPENDS ${TAVREL_GUIDE_SOURCE}/guide.css
  VERBATIM)
foreach(image ${TAVREL_GUIDE_IMAGES})
  get_filename_component(name ${image} NAME)
  add_custom_command(
    OUTPUT ${TAVREL_GUIDE_DIR}/images/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${image} ${TAVREL_GUIDE_DIR}/images/${name}
    DEPENDS ${image}
    VERBATIM)
  list(APPEND TAVREL_GUIDE_COPIES ${TAVREL_GUIDE_DIR}/images/${name})
endforeach()
if(TAVREL_PANDOC)
  add_custom_target(guide ALL DEPENDS ${TAVREL_GUIDE_OUTPUTS} ${TAVREL_GUIDE_COPIES})
else()
  # Without pandoc the rest builds; the guide, the package and the guide's
  # check say what is missing.
  message(STATUS "pandoc not found: the user guide is not built (bash scripts/install-packages.sh package)")
  add_custom_target(guide
    COMMAND ${CMAKE_COMMAND} -E echo "The user guide needs pandoc: bash scripts/install-packages.sh package"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()

install(DIRECTORY ${TAVREL_GUIDE_DIR}/ DESTINATION share/doc/tavrel/guide)

# The guide is built and its links, pictures and table of contents are
# checked, with the Japanese manual pages. It builds targets, as the
# installed-layout check does, so the two never run at once.
add_test(NAME user_guide COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-guide.sh ${CMAKE_BINARY_DIR})
set_tests_properties(user_guide PROPERTIES TIMEOUT 300 ENVIRONMENT "LC_ALL=C.UTF-8" RESOURCE_LOCK build_targets)
