target_sources(quorvel_core PRIVATE
    app/ApiError.cpp app/ApiError.h
    app/AppSession.cpp app/AppSession.h
    app/AuthAPIClient.cpp app/AuthAPIClient.h
    app/Brand.h
    app/QuorvelApp.cpp app/QuorvelApp.h
    app/SessionKeychain.cpp app/SessionKeychain.h
)
qt_target_qml_sources(quorvel_core
    QML_FILES
        app/qml/Main.qml
)
