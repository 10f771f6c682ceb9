# The Debian package, made by CPack from the install rules (cmake/Install.cmake):
#   cmake --build <build> && (cd <build> && cpack -G DEB)
# or scripts/package.sh. It holds exactly what `cmake --install` puts under /usr.

set(CPACK_PACKAGE_NAME tarvolin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The Debian revision: the package's version is <version>-1, as its
# changelog.Debian says (resources/debian/changelog.in).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "The Tarvolin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch video converter for handheld players")
set(CPACK_PACKAGE_DESCRIPTION
  "Tarvolin PSP Video Converter collects videos in a task list and converts them
one after the other with an encoding profile (MP4 for the PSP, 3GP, AVI, FLV,
WMV and more). Each profile's video, audio and advanced parameters can be
adjusted before a batch; each output can be renamed and limited to a part of
its input. A preview plays the selected video inside the window. The command
tarvolin-cli converts the same way without a window, for scripts and servers.
The conversion is done by ffmpeg.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tarvolin)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
# Packages land in <build>/packages.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# The package carries the programs without their debugging symbols.
set(CPACK_STRIP_FILES ON)

set(TARVOLIN_MAINTAINER "Tarvolin maintainers <maintainers@users.noreply.c-seed-39c25dc0.example>"
  CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVOLIN_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# What the package needs beyond the libraries its programs link:
# - ffmpeg: the stand-in converts with it (and probes with ffprobe when it
#   cannot load FFmpeg's libraries);
# - the FFmpeg libraries the stand-in loads at run time to probe, in the major
#   versions it was built against (dpkg-shlibdeps cannot see them);
# - the preview plays through Qt Multimedia's GStreamer back-end (shipped in
#   libqt6multimedia6), which needs GStreamer's demuxers and decoders.
set(tarvolin_depends ffmpeg)
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  foreach(lib libavformat libavcodec libavutil)
    execute_process(COMMAND ${PKG_CONFIG_EXECUTABLE} --modversion ${lib}
      OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(NOT failed AND version MATCHES "^([0-9]+)\\.")
      list(APPEND tarvolin_depends ${lib}${CMAKE_MATCH_1})
    endif()
  endforeach()
endif()
list(APPEND tarvolin_depends
  libgstreamer1.0-0 gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav)

# The Qt libraries and the C++ run-time, with their versions, come from
# dpkg-shlibdeps where it is installed (dpkg-dev); otherwise they are named.
find_program(TARVOLIN_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TARVOLIN_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  list(APPEND tarvolin_depends
    libqt6core6 libqt6gui6 libqt6widgets6 libqt6multimedia6 libqt6multimediawidgets6)
endif()
list(JOIN tarvolin_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
