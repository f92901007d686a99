# The SOAP message layer's and the PBX simulator's tests (included by CMakeLists.txt here).
korvi_add_test(pbx_soap_test SOURCES SoapEnvelopeTest.cpp SoapSchemaTest.cpp LIBS korvi_pbx
               LABELS pbx)
target_compile_definitions(pbx_soap_test PRIVATE KORVI_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

korvi_add_test(pbx_sim_test SOURCES SimPbxTest.cpp LIBS korvi_pbx_sim PkgConfig::HTTPLIB
               LABELS pbx)
korvi_add_test(pbx_sim_state_test SOURCES SimStateTest.cpp
               LIBS korvi_pbx_sim korvi_files PkgConfig::HTTPLIB LABELS pbx)
# The program test starts the built simulator.
add_dependencies(pbx_sim_state_test korvi-pbx-sim)
