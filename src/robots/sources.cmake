target_sources(quorvel_core PRIVATE
    robots/RobotCatalog.cpp robots/RobotCatalog.h
    robots/RobotStore.cpp robots/RobotStore.h
    robots/RobotTexts.cpp robots/RobotTexts.h
    robots/SpeechPlayer.cpp robots/SpeechPlayer.h
)
