target_sources(quorvel_core PRIVATE
    platform/AudioPlayer.cpp platform/AudioPlayer.h
    platform/BundleInfo.cpp platform/BundleInfo.h
    platform/Clock.h
    platform/Completion.h
    platform/JsonReader.cpp platform/JsonReader.h
    platform/LinkOpener.cpp platform/LinkOpener.h
    platform/Platform.cpp platform/Platform.h
    platform/PlatformLogging.cpp platform/PlatformLogging.h
    platform/SecretStore.cpp platform/SecretStore.h
    platform/SpeechSynthesizer.cpp platform/SpeechSynthesizer.h
    platform/Transport.cpp platform/Transport.h
    platform/UserDefaults.cpp platform/UserDefaults.h
    platform/UserFacingError.h
)

# The compiled-in configuration dictionary carries the project version.
configure_file(platform/BundleInfo.json.in ${CMAKE_CURRENT_BINARY_DIR}/BundleInfo.json @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/BundleInfo.json PROPERTIES QT_RESOURCE_ALIAS BundleInfo.json)
qt_add_resources(quorvel_core "platform_config"
    PREFIX "/config"
    FILES ${CMAKE_CURRENT_BINARY_DIR}/BundleInfo.json
)
