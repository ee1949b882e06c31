# Installation and the package configuration: an application embeds the editor with
#   find_package(synt REQUIRED)
#   target_link_libraries(app PRIVATE synt::qt)     # or synt::core without the Qt backend
# Headers go to include/synt/<module>/ (included as "editor/syntax_memo.h"), the module libraries
# and their targets to lib/, the lexers to share/synt/lexers, the programs to bin/.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(SYNT_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/synt)
set(SYNT_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/synt)

set(_synt_export_targets ${SYNT_CORE_LIBRARIES} synt_core)
set(_synt_header_modules)
foreach(lib IN LISTS SYNT_CORE_LIBRARIES)
  string(REPLACE "synt_" "" _m ${lib})
  list(APPEND _synt_header_modules ${_m})
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${_m})
  target_include_directories(${lib} PUBLIC $<INSTALL_INTERFACE:${SYNT_INSTALL_INCLUDEDIR}>)
endforeach()
set_target_properties(synt_core PROPERTIES EXPORT_NAME core)
set(SYNT_PACKAGE_HAS_QT OFF)
if(TARGET synt_qt)
  set(SYNT_PACKAGE_HAS_QT ON)
  list(APPEND _synt_export_targets synt_qt)
  list(APPEND _synt_header_modules qt)
  set_target_properties(synt_qt PROPERTIES EXPORT_NAME qt)
  target_include_directories(synt_qt PUBLIC $<INSTALL_INTERFACE:${SYNT_INSTALL_INCLUDEDIR}>)
endif()

foreach(_m IN LISTS _synt_header_modules)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/${_m}/ DESTINATION ${SYNT_INSTALL_INCLUDEDIR}/${_m}
          FILES_MATCHING PATTERN "*.h")
endforeach()
install(TARGETS ${_synt_export_targets} EXPORT syntTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${SYNT_INSTALL_INCLUDEDIR})
install(EXPORT syntTargets NAMESPACE synt:: DESTINATION ${SYNT_INSTALL_CMAKEDIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/syntConfig.cmake.in
  ${PROJECT_BINARY_DIR}/syntConfig.cmake INSTALL_DESTINATION ${SYNT_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/syntConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/syntConfig.cmake ${PROJECT_BINARY_DIR}/syntConfigVersion.cmake
        DESTINATION ${SYNT_INSTALL_CMAKEDIR})

install(DIRECTORY ${PROJECT_SOURCE_DIR}/lexers/ DESTINATION ${CMAKE_INSTALL_DATADIR}/synt/lexers
        FILES_MATCHING PATTERN "*.lxl")
install(TARGETS synt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET synt-edit)
  install(TARGETS synt-edit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
