# The launcher executable: read after ui/ and web/, whose libraries it links.
add_executable(cvl_qx ${CMAKE_CURRENT_LIST_DIR}/main.cc)
target_link_libraries(cvl_qx PRIVATE cvl_app cvl_ui cvl_web cvl_install cvl_platform_gui PkgConfig::GTK3)
set_target_properties(cvl_qx PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app)
cvl_embed_resources(cvl_qx)
