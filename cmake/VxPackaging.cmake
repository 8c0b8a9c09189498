# The Debian package: `cmake --build <dir> --target package` (or `cpack -G DEB`
# in the build folder) makes vexaline_<version>_<arch>.deb from the install
# rules. dpkg-shlibdeps computes the dependencies from the shared libraries
# the program links, so a library added to the build needs no change here.
include_guard(GLOBAL)

set(VX_MAINTAINER "Vexaline developers <vexaline@example.org>")
# Names the desktop entry, the icon and the AppStream metadata alike.
set(VX_DESKTOP_ID org.example.Vexaline)
# The changelog's trailer wants the date in the mail format with its weekday.
execute_process(COMMAND date -u -R -d "${VX_RELEASE_DATE}"
                OUTPUT_VARIABLE VX_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexaline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "single-deck audio player for disc jockeys")
# Lines of the extended description stay within 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Vexaline shows one DJ deck in one small skinned window: play/pause and cue,"
       "fixed-step and accelerating search with a search loop, a pitch slider with"
       "pitch bends and a touch-bend knob, volume and balance or downmix, an LED"
       "level meter and LCD-style displays. Several copies run side by side, each"
       "on its own sound output and each brought to the front by its own function"
       "key.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
