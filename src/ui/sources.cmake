# The theme and the shared QML kit every screen builds on.
target_sources(quorvel_core PRIVATE
    ui/Theme.cpp ui/Theme.h
)
target_sources(quorvel_core PRIVATE
    ui/PullToRefresh.cpp ui/PullToRefresh.h
)
target_sources(quorvel_core PRIVATE
    ui/SheetDetent.cpp ui/SheetDetent.h
)
qvl_add_qml(
    ui/qml/Alert.qml
    ui/qml/BottomSheet.qml
    ui/qml/BrandPrimaryButton.qml
    ui/qml/BrandShadow.qml
    ui/qml/BrandSpinner.qml
    ui/qml/Card.qml
    ui/qml/Chip.qml
    ui/qml/EmptyState.qml
    ui/qml/FormRow.qml
    ui/qml/FormSection.qml
    ui/qml/FormToggleRow.qml
    ui/qml/NavigationBar.qml
    ui/qml/RefreshControl.qml
    ui/qml/RoundedCorners.qml
    ui/qml/SymbolIcon.qml
)
