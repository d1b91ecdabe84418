# pluvina_library(<target> <export name> <sources...>): one of the three libraries, static or
# shared as BUILD_SHARED_LIBS says. Target names carry the project's prefix so that they cannot
# collide in a parent project; users name them pluvina::<export name>, in the tree (an alias)
# and installed (the export). Headers live in include/ next to the sources.
function(pluvina_library target export_name)
    add_library(${target} ${ARGN})
    add_library(pluvina::${export_name} ALIAS ${target})
    set_target_properties(${target} PROPERTIES
        EXPORT_NAME ${export_name}
        # A static library may end up in a shared one (a plugin): position-independent always.
        POSITION_INDEPENDENT_CODE ON
        VERSION ${PROJECT_VERSION}
        # 0.x releases keep their interface within one minor version.
        SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
        # Installed shared libraries find each other in their own folder, wherever the prefix
        # is (-DCMAKE_SKIP_INSTALL_RPATH=ON leaves this out, as distributions prefer).
        INSTALL_RPATH "$ORIGIN")
    target_compile_features(${target} PUBLIC cxx_std_17)
    target_include_directories(${target} PUBLIC
        $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:pluvina_warnings>)
endfunction()
