target_sources(quorvel_core PRIVATE
    app/Analytics.cpp app/Analytics.h
    app/ApiError.cpp app/ApiError.h
    app/AppFonts.cpp app/AppFonts.h
    app/AppSession.cpp app/AppSession.h
    app/AuthAPIClient.cpp app/AuthAPIClient.h
    app/BenchProbe.cpp app/BenchProbe.h app/BenchSample.h
    app/FeatureDetailViewModel.cpp app/FeatureDetailViewModel.h
    app/GuestCatalogueViewModel.cpp app/GuestCatalogueViewModel.h
    app/GuestHomeArt.cpp app/GuestHomeArt.h
    app/GuestHomeFeature.cpp app/GuestHomeFeature.h
    app/GuestHomeViewModel.cpp app/GuestHomeViewModel.h
    app/Brand.h
    app/LoginViewModel.cpp app/LoginViewModel.h
    app/QuorvelApp.cpp app/QuorvelApp.h
    app/RenderBackend.cpp app/RenderBackend.h
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
    app/qml/FeatureDetailSheet.qml
    app/qml/GuestCatalogView.qml
    app/qml/GuestChapterCard.qml
    app/qml/GuestFeatureCard.qml
    app/qml/GuestHomeView.qml
    app/qml/GuestLinkFallback.qml
    app/qml/GuestMenu.qml
    app/qml/GuestPathTeaser.qml
    app/qml/GuestSectionHeader.qml
    app/qml/GuestShadowText.qml
    app/qml/GuestSheet.qml
    app/qml/LoginView.qml
    app/qml/RoundedCorners.qml
    app/qml/SoftCircle.qml
    app/qml/SymbolIcon.qml
    app/qml/Main.qml
    app/qml/RootTabView.qml
    app/qml/RootView.qml
    app/qml/placeholders/CompanionChatView.qml
    app/qml/placeholders/HomeLayoutView.qml
    app/qml/placeholders/MainGateView.qml
    app/qml/placeholders/PlaceholderPage.qml
    app/qml/placeholders/ProfileBirthView.qml
    app/qml/placeholders/QAHomeView.qml
    app/qml/placeholders/SettingsHostView.qml
)
set_source_files_properties(app/assets/BrandLogo.svg PROPERTIES QT_RESOURCE_ALIAS assets/BrandLogo.svg)
qt_target_qml_sources(quorvel_core RESOURCES app/assets/BrandLogo.svg)
# The guest home's artwork: hero, learning-path teaser and the eight card pictures.
set(QVL_GUEST_ART HeroArt PathArt IconHint IconPath IconWrong IconBuddy IconClock IconPrivacy IconHeart IconShield)
foreach(art IN LISTS QVL_GUEST_ART)
    set_source_files_properties(app/assets/${art}.svg PROPERTIES QT_RESOURCE_ALIAS assets/${art}.svg)
    qt_target_qml_sources(quorvel_core RESOURCES app/assets/${art}.svg)
endforeach()
