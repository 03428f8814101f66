# Registration is read back from a registry that has never seen the module:
# those tests run in a Wine prefix made for the run. The clients run in the
# build tree's prefix, whose RPC service is already up (in a just-made prefix
# each out-of-process activation attempt waits for it for 20 s and more).
# The registration-free tests run in a fresh prefix too, and the program
# registers not even the type libraries there.
set(MODULE_RUNNER bash ${CMAKE_CURRENT_SOURCE_DIR}/module/run-suite.sh)
add_test(NAME module
  COMMAND ${MODULE_RUNNER} ${LAYER_WINE_LOADER} $<TARGET_FILE:test_module>
          --gtest_filter=-Registration.*:RegistrationFree.*)
add_test(NAME module_registration
  COMMAND ${MODULE_RUNNER} --fresh ${LAYER_WINE_LOADER} $<TARGET_FILE:test_module> --gtest_filter=Registration.*)
add_test(NAME module_registration_free
  COMMAND ${MODULE_RUNNER} --fresh ${LAYER_WINE_LOADER} $<TARGET_FILE:test_module>
          --gtest_filter=RegistrationFree.* --no-typelib-registration)
# Both fresh runs make their prefix in the same folder.
set_tests_properties(module_registration module_registration_free PROPERTIES TIMEOUT 900
  RESOURCE_LOCK module-wineprefix ENVIRONMENT ${TEST_ENVIRONMENT})
# The client cases create the layer in the build tree's prefix, where it reads
# the user's options the zurhost warnings case sets for a while (Debug 0 would
# gate the VBScript client's GetProcessedBusName).
set_tests_properties(module PROPERTIES RESOURCE_LOCK layer-user-scope)
# The script clients' host is the simulator.
target_link_libraries(test_module PRIVATE hostsim_interfaces)
add_dependencies(test_module HostSim)
