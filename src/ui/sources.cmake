# The theme and the shared QML kit every screen builds on.
target_sources(quorvel_core PRIVATE
    ui/Theme.cpp ui/Theme.h
)
