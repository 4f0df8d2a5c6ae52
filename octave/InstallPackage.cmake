# The Octave package of the gateways, made at install time: P/share/drova/drova-VERSION.tar.gz,
# which `pkg install` takes (a DESCRIPTION, an INDEX, a COPYING and the files of inst/), so that an Octave user types `pkg load drova`. The package holds the
# gateways (.mex), the MATLAB-language files and copies of the host's libraries from P/lib next to
# them; the copies of the gateways get the run path $ORIGIN, so that they find the libraries in
# their own folder wherever pkg puts it.
set(DROVA_OCTAVE_PACKAGE_VERSION ${PROJECT_VERSION}.0)
install(CODE "
  set(DROVA_OCTAVE_DIR \"${CMAKE_BINARY_DIR}/octave\")
  set(DROVA_PACKAGE_FILES \"${PROJECT_SOURCE_DIR}/octave/package\")
  set(DROVA_PACKAGE_STAGE \"${CMAKE_BINARY_DIR}/octave-package\")
  set(DROVA_PACKAGE_VERSION \"${DROVA_OCTAVE_PACKAGE_VERSION}\")
  set(DROVA_HOST_LIBRARIES \"$<TARGET_FILE_NAME:drova_host>;$<TARGET_FILE_NAME:drova_host_classic>\")
  include(\"${PROJECT_SOURCE_DIR}/octave/MakePackage.cmake\")
")
