# The hardening flags Debian builds its packages with (stack protector, fortified libc calls,
# read-only relocations, immediate binding), taken from dpkg-buildflags so that they follow the
# distribution's policy. Added on top of the project's own flags: -Werror still holds.

find_program(ROZIVODA_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT ROZIVODA_DPKG_BUILDFLAGS)
  message(FATAL_ERROR "ROZIVODA_HARDENING needs dpkg-buildflags (Debian package dpkg-dev)")
endif()

# Without a policy from the caller, ask for every hardening feature; bindnow is not on by default.
if(DEFINED ENV{DEB_BUILD_MAINT_OPTIONS})
  set(_rozivoda_maint_options "$ENV{DEB_BUILD_MAINT_OPTIONS}")
else()
  set(_rozivoda_maint_options "hardening=+all")
endif()

foreach(kind IN ITEMS CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env "DEB_BUILD_MAINT_OPTIONS=${_rozivoda_maint_options}"
            "${ROZIVODA_DPKG_BUILDFLAGS}" --get ${kind}
    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
    OUTPUT_VARIABLE _rozivoda_${kind}
    OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()

string(APPEND CMAKE_CXX_FLAGS " ${_rozivoda_CPPFLAGS} ${_rozivoda_CXXFLAGS}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${_rozivoda_LDFLAGS}")
message(STATUS "Hardening: ${_rozivoda_CPPFLAGS} ${_rozivoda_CXXFLAGS} | ${_rozivoda_LDFLAGS}")
