# Installation: headers, the libraries, an exported CMake package with one component per
# library (find_package(pluvina COMPONENTS gr) needs neither vela nor GLUT) and pkg-config files.
include(CMakePackageConfigHelpers)

set(PLUVINA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/pluvina)
set(PLUVINA_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(PLUVINA_HEADER_DIRS utils/include/ graphics/include/)
if(PLUVINA_BUILD_VELA)
    list(APPEND PLUVINA_HEADER_DIRS framework/include/)
endif()
if(PLUVINA_BUILD_PHOTO)
    list(APPEND PLUVINA_HEADER_DIRS photo/include/)
endif()
install(DIRECTORY ${PLUVINA_HEADER_DIRS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT pluvina_development)
install(FILES ${PLUVINA_GENERATED_INCLUDE}/libutils/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/libutils COMPONENT pluvina_development)

# pkg-config paths: relative to the .pc file's own folder, so that the installed tree can be
# moved or installed with another --prefix; absolute where the install directories are.
file(RELATIVE_PATH PLUVINA_PC_UP "/${PLUVINA_PC_DIR}" "/")
string(REGEX REPLACE "/$" "" PLUVINA_PC_UP "${PLUVINA_PC_UP}")
set(PLUVINA_PC_PREFIX "\${pcfiledir}/${PLUVINA_PC_UP}")
foreach(kind LIBDIR INCLUDEDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
        set(PLUVINA_PC_${kind} "${CMAKE_INSTALL_${kind}}")
    else()
        set(PLUVINA_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
    endif()
endforeach()

# What a static library's users must link besides the library itself; a shared one carries
# these in its own dependencies.
set(PLUVINA_PC_gr_REQUIRES_PRIVATE "")
set(PLUVINA_PC_photo_REQUIRES_PRIVATE "")
# The package config asks for the photo decoders only where a static library needs them.
set(PLUVINA_PHOTO_NEEDS_DECODERS OFF)
if(NOT BUILD_SHARED_LIBS)
    set(PLUVINA_PC_gr_REQUIRES_PRIVATE "glx")
    set(PLUVINA_PC_photo_REQUIRES_PRIVATE "libjpeg spng zlib")
    set(PLUVINA_PHOTO_NEEDS_DECODERS ON)
endif()

foreach(component IN LISTS PLUVINA_COMPONENTS)
    install(TARGETS pluvina_${component} EXPORT pluvina-${component}-targets
            ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT pluvina_development
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT pluvina_runtime
                    NAMELINK_COMPONENT pluvina_development
            RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT pluvina_runtime)
    install(EXPORT pluvina-${component}-targets NAMESPACE pluvina::
            DESTINATION ${PLUVINA_CMAKE_DIR} COMPONENT pluvina_development)
    configure_file(cmake/pluvina-${component}.pc.in
                   ${PROJECT_BINARY_DIR}/pkgconfig/pluvina-${component}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/pluvina-${component}.pc
            DESTINATION ${PLUVINA_PC_DIR} COMPONENT pluvina_development)
endforeach()

configure_package_config_file(cmake/pluvinaConfig.cmake.in
        ${PROJECT_BINARY_DIR}/pluvinaConfig.cmake
        INSTALL_DESTINATION ${PLUVINA_CMAKE_DIR})
# While the major version is 0, a new minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/pluvinaConfigVersion.cmake
        COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/pluvinaConfig.cmake
              ${PROJECT_BINARY_DIR}/pluvinaConfigVersion.cmake
        DESTINATION ${PLUVINA_CMAKE_DIR} COMPONENT pluvina_development)
