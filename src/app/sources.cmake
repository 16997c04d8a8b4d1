target_sources(quorvel_core PRIVATE
    app/Analytics.cpp app/Analytics.h
    app/ApiError.cpp app/ApiError.h
    app/AppFonts.cpp app/AppFonts.h
    app/AppSession.cpp app/AppSession.h
    app/AuthAPIClient.cpp app/AuthAPIClient.h
    app/Brand.h
    app/LoginViewModel.cpp app/LoginViewModel.h
    app/QuorvelApp.cpp app/QuorvelApp.h
    app/RootTabViewModel.cpp app/RootTabViewModel.h
    app/RootViewModel.cpp app/RootViewModel.h
    app/SessionKeychain.cpp app/SessionKeychain.h
    app/Symbols.cpp app/Symbols.h
)
qvl_add_qml(
    app/qml/BrandAlert.qml
    app/qml/BrandGradient.qml
    app/qml/BrandGradientAlt.qml
    app/qml/BrandInputRow.qml
    app/qml/BrandLogo.qml
    app/qml/BrandPrimaryButton.qml
    app/qml/BrandShadow.qml
    app/qml/BrandSpinner.qml
    app/qml/LoginView.qml
    app/qml/RoundedCorners.qml
    app/qml/SoftCircle.qml
    app/qml/SymbolIcon.qml
    app/qml/Main.qml
    app/qml/RootTabView.qml
    app/qml/RootView.qml
    app/qml/placeholders/CompanionChatView.qml
    app/qml/placeholders/GuestHomeView.qml
    app/qml/placeholders/HomeLayoutView.qml
    app/qml/placeholders/LearningHomeView.qml
    app/qml/placeholders/MainGateView.qml
    app/qml/placeholders/PlaceholderPage.qml
    app/qml/placeholders/ProfileBirthView.qml
    app/qml/placeholders/QAHomeView.qml
    app/qml/placeholders/SettingsHostView.qml
)
set_source_files_properties(app/assets/BrandLogo.svg PROPERTIES QT_RESOURCE_ALIAS assets/BrandLogo.svg)
qt_target_qml_sources(quorvel_core RESOURCES app/assets/BrandLogo.svg)
