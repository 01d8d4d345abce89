# The two ways Quorrel reaches a user: the MSI installer and the portable ZIP,
# each with Quorrel.exe, Quorrel.chm, quorrel-cli.exe and the twelve default
# category icons. `cmake --build --preset windows --target packages` builds both.
find_program(WIXL wixl REQUIRED)
find_program(QUORREL_PYTHON3 python3 REQUIRED)

# The packages carry the project's version; the program's version resource
# must say the same.
file(STRINGS ${CMAKE_SOURCE_DIR}/res/Product.h product_version REGEX "#define PRODUCT_VERSION_TEXT")
if(NOT product_version MATCHES "\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "res/Product.h says ${product_version}, the project ${PROJECT_VERSION}")
endif()

set(QUORREL_SHIPPED_FILES
  ${CMAKE_BINARY_DIR}/Quorrel.exe ${CMAKE_BINARY_DIR}/Quorrel.chm ${CMAKE_BINARY_DIR}/quorrel-cli.exe
  ${QUORREL_PROGRAM_ICONS})
set(QUORREL_PACKAGE_NAME Quorrel-${PROJECT_VERSION}-x64)

# wixl finds the files named in the WiX source in the folder it runs in
# (cmake/BuildMsi.cmake).
file(RELATIVE_PATH QUORREL_RES_FROM_BUILD ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/res)
function(quorrel_msi output version)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DWIXL=${WIXL} -DSOURCE=${CMAKE_SOURCE_DIR}/installer/Quorrel.wxs -DVERSION=${version}
      -DRES_DIR=${QUORREL_RES_FROM_BUILD} -DOUTPUT=${output} -P ${CMAKE_SOURCE_DIR}/cmake/BuildMsi.cmake
    DEPENDS Quorrel quorrel-cli ${QUORREL_SHIPPED_FILES} ${CMAKE_SOURCE_DIR}/installer/Quorrel.wxs
      ${CMAKE_SOURCE_DIR}/res/Quorrel.ico ${CMAKE_SOURCE_DIR}/cmake/BuildMsi.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Building the installer ${output}"
    VERBATIM)
endfunction()
quorrel_msi(${CMAKE_BINARY_DIR}/${QUORREL_PACKAGE_NAME}.msi ${PROJECT_VERSION})

# The ZIP unpacks to a folder Quorrel; the program copies the icons from there
# into the data folder at its first start, as it does from an installed copy.
set(zip_stage ${CMAKE_BINARY_DIR}/zip)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${QUORREL_PACKAGE_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${zip_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_stage}/Quorrel
  COMMAND ${CMAKE_COMMAND} -E copy ${QUORREL_SHIPPED_FILES} ${zip_stage}/Quorrel
  COMMAND ${CMAKE_COMMAND} -E rm -f ${CMAKE_BINARY_DIR}/${QUORREL_PACKAGE_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -E chdir ${zip_stage}
    ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/${QUORREL_PACKAGE_NAME}.zip --format=zip Quorrel
  DEPENDS Quorrel quorrel-cli ${QUORREL_SHIPPED_FILES}
  COMMENT "Building the portable ${QUORREL_PACKAGE_NAME}.zip"
  VERBATIM)

add_custom_target(packages ALL DEPENDS
  ${CMAKE_BINARY_DIR}/${QUORREL_PACKAGE_NAME}.msi ${CMAKE_BINARY_DIR}/${QUORREL_PACKAGE_NAME}.zip)

# ---- tests ---------------------------------------------------------------------------
# The shipped executables: no symbols, a debug link, ASLR, DEP, stack protector.
add_test(NAME hardened_executables COMMAND ${QUORREL_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/installer/check_hardening.py
  ${CMAKE_OBJDUMP} ${CMAKE_NM} ${CMAKE_BINARY_DIR}/Quorrel.exe ${CMAKE_BINARY_DIR}/quorrel-cli.exe)
add_test(NAME zip_contents COMMAND ${QUORREL_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/installer/check_zip.py
  ${CMAKE_BINARY_DIR}/${QUORREL_PACKAGE_NAME}.zip ${QUORREL_SHIPPED_FILES})

# Installing, first start, upgrading and uninstalling under Wine, in a prefix
# made afresh for each run. A later version (built here only for this test)
# must replace the first one.
set(upgrade_msi ${CMAKE_BINARY_DIR}/installer-test/Quorrel-2.3.99.0-x64.msi)
quorrel_msi(${upgrade_msi} 2.3.99.0)
add_custom_target(upgrade_test_msi ALL DEPENDS ${upgrade_msi})
add_executable(installed_first_run tests/installer/InstalledFirstRun.cpp tests/gui/Driver.cpp)
target_link_libraries(installed_first_run PRIVATE quorrel_core ole32 uuid shell32 gtest)
target_link_options(installed_first_run PRIVATE -municode)
add_test(NAME installer_msi COMMAND ${CMAKE_SOURCE_DIR}/tools/with-display.sh ${QUORREL_PYTHON3}
  ${CMAKE_SOURCE_DIR}/tests/installer/install_test.py
  --prefix ${CMAKE_BINARY_DIR}/install-test-prefix
  --msi ${CMAKE_BINARY_DIR}/${QUORREL_PACKAGE_NAME}.msi --version ${PROJECT_VERSION} --upgrade-msi ${upgrade_msi}
  --driver $<TARGET_FILE:installed_first_run> --built ${CMAKE_BINARY_DIR})
set_tests_properties(installer_msi PROPERTIES RESOURCE_LOCK gui TIMEOUT 600)
