target_sources(quorvel_core PRIVATE
    platform/AudioPlayer.cpp platform/AudioPlayer.h
    platform/BundleInfo.cpp platform/BundleInfo.h
    platform/Clock.h
    platform/JsonReader.cpp platform/JsonReader.h
    platform/LinkOpener.cpp platform/LinkOpener.h
    platform/MediaModule.cpp platform/MediaModule.h
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

# The media module: the audio player and the speech synthesizer over QtMultimedia and QtTextToSpeech, loaded by
# the app on first use (MediaModule). It resolves the interfaces it implements (AudioPlayer, SpeechSynthesizer)
# from the executable that loads it, so every program that loads it is linked with ENABLE_EXPORTS.
add_library(quorvel_media MODULE platform/MediaAudioPlayer.cpp platform/SpeechEngine.cpp)
set_target_properties(quorvel_media PROPERTIES
    PREFIX ""
    OUTPUT_NAME quorvel-media
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    AUTOMOC OFF
)
target_include_directories(quorvel_media PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/platform)
target_link_libraries(quorvel_media PRIVATE Qt6::Core Qt6::Multimedia Qt6::TextToSpeech QCoro6::Core)
target_compile_definitions(quorvel_core PRIVATE QVL_MEDIA_MODULE_DIR="${CMAKE_CURRENT_BINARY_DIR}")
add_dependencies(quorvel_core quorvel_media)
