#include "ui/SettingsStore.h"

namespace {

ISettingsStore* g_settingsStore = nullptr;

} // namespace

ISettingsStore* GetSettingsStore()
{
    return g_settingsStore;
}

ISettingsStore* SetSettingsStore(ISettingsStore* store)
{
    ISettingsStore* previous = g_settingsStore;
    g_settingsStore = store;
    return previous;
}
