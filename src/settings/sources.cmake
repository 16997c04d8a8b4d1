target_sources(quorvel_core PRIVATE
    settings/SettingsStore.cpp settings/SettingsStore.h
)
