# The Windows gateway's libraries, cross-built for x86_64 from Debian's source packages by
# `./run windows-deps` (build_windows_deps) into build-windeps/, as imported targets under the
# names CMake's own modules give them on Linux: SQLite::SQLite3, OpenSSL::SSL and OpenSSL::Crypto,
# and Mosquitto::Mosquitto and httplib::httplib. All are static; OpenSSL's Windows libraries and
# the defines their headers need come with them.
set(VELKO_WINDOWS_DEPS ${PROJECT_SOURCE_DIR}/build-windeps CACHE PATH
  "The Windows gateway's libraries, built by ./run windows-deps (another clone's will do)")

foreach(file openssl/lib/libssl.a openssl/lib/libcrypto.a mosquitto/lib/libmosquitto.a
    sqlite/lib/libsqlite3.a httplib/include/httplib.h)
  if(NOT EXISTS ${VELKO_WINDOWS_DEPS}/${file})
    message(FATAL_ERROR "${VELKO_WINDOWS_DEPS}/${file} is missing: `./run windows-deps` builds "
      "the Windows gateway's libraries (or set VELKO_WINDOWS_DEPS to another clone's build-windeps)")
  endif()
endforeach()

function(velko_windows_library target library folder)
  add_library(${target} STATIC IMPORTED)
  set_target_properties(${target} PROPERTIES
    IMPORTED_LOCATION ${VELKO_WINDOWS_DEPS}/${folder}/lib/${library}
    INTERFACE_INCLUDE_DIRECTORIES ${VELKO_WINDOWS_DEPS}/${folder}/include)
endfunction()

velko_windows_library(OpenSSL::Crypto libcrypto.a openssl)
set_property(TARGET OpenSSL::Crypto PROPERTY INTERFACE_LINK_LIBRARIES
  ws2_32 gdi32 advapi32 crypt32 user32)
velko_windows_library(OpenSSL::SSL libssl.a openssl)
set_property(TARGET OpenSSL::SSL PROPERTY INTERFACE_LINK_LIBRARIES OpenSSL::Crypto)

velko_windows_library(SQLite::SQLite3 libsqlite3.a sqlite)

velko_windows_library(Mosquitto::Mosquitto libmosquitto.a mosquitto)
set_target_properties(Mosquitto::Mosquitto PROPERTIES
  INTERFACE_COMPILE_DEFINITIONS LIBMOSQUITTO_STATIC
  INTERFACE_LINK_LIBRARIES "OpenSSL::SSL;ws2_32")

# The header's #pragma comment(lib) lines are for MSVC only: its Windows libraries are named here.
add_library(httplib::httplib INTERFACE IMPORTED)
set_target_properties(httplib::httplib PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${VELKO_WINDOWS_DEPS}/httplib/include
  INTERFACE_COMPILE_DEFINITIONS CPPHTTPLIB_OPENSSL_SUPPORT
  INTERFACE_LINK_LIBRARIES "OpenSSL::SSL;ws2_32;crypt32")
