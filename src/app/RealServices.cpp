#include "app/RealServices.h"

#include "platform/IniSettingsStore.h"
#include "platform/PictureFiles.h"
#include "platform/QtMediaPlayer.h"
#include "platform/files/HostFileSystem.h"
#include "platform/files/HostQuakePlaces.h"
#include "platform/process/HostInstalledPrograms.h"
#include "platform/process/HostProcessStarter.h"
#include "platform/windowing/SystemDialogs.h"

namespace umbraxis {

struct RealServices::Parts {
    HostFileSystem files;
    IniSettingsStore settings;
    PictureFiles pictures{files};
    QtMediaFactory media{[this](const QString& path) { return files.toHost(path); }};
    MessageErrorBox errors;
    QtDesktop desktop;
    HostProcessStarter processes{files};
    HostQuakePlaces places{files};
    HostInstalledPrograms programs;
};

void RealServices::prepareProcess()
{
    chooseMediaBackend();
}

RealServices::RealServices(InstanceGuard& instance)
    : m_parts(std::make_unique<Parts>())
{
    m_services.settings = &m_parts->settings;
    m_services.files = &m_parts->files;
    m_services.pictures = &m_parts->pictures;
    m_services.media = &m_parts->media;
    m_services.instance = &instance;
    m_services.errors = &m_parts->errors;
    m_services.desktop = &m_parts->desktop;
    m_services.processes = &m_parts->processes;
    m_services.places = &m_parts->places;
    m_services.programs = &m_parts->programs;
}

RealServices::~RealServices() = default;

} // namespace umbraxis
