target_sources(quorvel_core PRIVATE
    robots/MotionSettings.cpp robots/MotionSettings.h
    robots/RobotAvatarItem.cpp robots/RobotAvatarItem.h
    robots/RobotCatalog.cpp robots/RobotCatalog.h
    robots/RobotFigure.cpp robots/RobotFigure.h
    robots/RobotFrameItem.cpp robots/RobotFrameItem.h
    robots/RobotMoodRing.cpp robots/RobotMoodRing.h
    robots/RobotMotion.cpp robots/RobotMotion.h
    robots/RobotSceneBannerModel.cpp robots/RobotSceneBannerModel.h
    robots/RobotSettingsSheetModel.cpp robots/RobotSettingsSheetModel.h
    robots/RobotStageModel.cpp robots/RobotStageModel.h
    robots/RobotStore.cpp robots/RobotStore.h
    robots/RobotTexts.cpp robots/RobotTexts.h
    robots/SpeechPlayer.cpp robots/SpeechPlayer.h
)
qvl_add_qml(
    robots/qml/ChatBackdrop.qml
    robots/qml/PressScaleStyle.qml
    robots/qml/RobotAvatarView.qml
    robots/qml/RobotSceneBanner.qml
    robots/qml/RobotSettingsSheet.qml
    robots/qml/RobotStage.qml
    robots/qml/RobotStageGlow.qml
    robots/qml/RobotStageOutline.qml
)
