# Debian's header-only CLI11 and nlohmann-json for the Windows build, reached through a folder of
# links (target velko_header_only): the cross compiler must never see /usr/include itself.
set(VELKO_HEADER_ONLY_ROOT /usr/include CACHE PATH "Folder holding CLI/ and nlohmann/")
set(header_links ${PROJECT_BINARY_DIR}/header-only-links)
file(MAKE_DIRECTORY ${header_links})
foreach(library CLI nlohmann)
  file(CREATE_LINK ${VELKO_HEADER_ONLY_ROOT}/${library} ${header_links}/${library} SYMBOLIC)
endforeach()
add_library(velko_header_only INTERFACE)
target_include_directories(velko_header_only SYSTEM INTERFACE ${header_links})
