# The SOAP message layer's and the PBX simulator's tests (included by CMakeLists.txt here).
korvi_add_test(pbx_soap_test SOURCES SoapEnvelopeTest.cpp LIBS korvi_pbx LABELS pbx)
