target_sources(scan PRIVATE ScannerProtocol.h ScannerProtocol.cpp ScannerLink.h ScannerLink.cpp)
