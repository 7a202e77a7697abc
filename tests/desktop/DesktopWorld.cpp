#include "desktop/DesktopWorld.h"

#include <QFile>

namespace umbraxis::testing {

QString nameOf(World world)
{
    switch (world) {
    case World::BareX: return QStringLiteral("x11-bare");
    case World::Openbox: return QStringLiteral("x11-openbox");
    case World::MutterX11: return QStringLiteral("x11-mutter");
    case World::Weston: return QStringLiteral("wayland-weston");
    case World::MutterWayland: return QStringLiteral("wayland-mutter");
    case World::MutterNested: return QStringLiteral("wayland-mutter-nested");
    }
    return QString();
}

void DesktopWorld::SetUp()
{
    ASSERT_FALSE(binaryDir().isEmpty()) << "UMBRAXIS_BINARY_DIR is not set";
    switch (GetParam()) {
    case World::BareX: m_display = std::make_unique<VirtualDisplay>(WindowManager::None); break;
    case World::Openbox: m_display = std::make_unique<VirtualDisplay>(WindowManager::Openbox); break;
    case World::MutterX11: m_display = std::make_unique<VirtualDisplay>(WindowManager::Mutter); break;
    case World::Weston: m_wayland = std::make_unique<WaylandSession>(Compositor::Weston); break;
    case World::MutterWayland: m_wayland = std::make_unique<WaylandSession>(Compositor::Mutter); break;
    case World::MutterNested: m_wayland = std::make_unique<WaylandSession>(Compositor::Mutter, Output::Nested); break;
    }
    if (m_display)
        ASSERT_TRUE(m_display->isRunning()) << m_display->failure().toStdString();
    else
        ASSERT_TRUE(m_wayland->isRunning()) << m_wayland->failure().toStdString();
    ASSERT_TRUE(QDir(m_home.path()).mkpath(QStringLiteral("config/Corvantide")));
    ASSERT_TRUE(QDir(m_home.path()).mkpath(QStringLiteral("run")));
    QFile::setPermissions(m_home.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void DesktopWorld::start(QProcess& program, const QString& binary)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent/umbraxis-no-sound"));
    if (m_display) {
        environment.insert(QStringLiteral("DISPLAY"), m_display->name());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("run")));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        program.setProcessChannelMode(QProcess::ForwardedChannels);
    } else {
        m_wayland->addTo(environment);
        // The program's own account of its windows, for compositors that
        // give none.
        environment.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
        const QString log = m_home.filePath(QStringLiteral("protocol-%1.log").arg(m_protocolLogs.size()));
        m_protocolLogs.append(log);
        program.setStandardErrorFile(log);
        program.setStandardOutputFile(QProcess::nullDevice());
    }
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(binaryDir() + QStringLiteral("/cd"));
    program.start(binary.isEmpty() ? binaryDir() + QStringLiteral("/src/app/umbraxis") : binary, {});
    ASSERT_TRUE(program.waitForStarted(5000));
}

QList<ShownWindow> DesktopWorld::windows() const
{
    QList<ShownWindow> shown;
    if (m_display) {
        const QString ids = m_display->run(QStringLiteral("xdotool"),
                                           {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--name"), QStringLiteral("^Umbraxis")});
        for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            ShownWindow window;
            window.id = id;
            window.title = plainTitle(
                m_display->run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id}).trimmed());
            const QString geometry = m_display->run(
                QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
            for (const QString& line : geometry.split(QLatin1Char('\n'))) {
                const int value = line.section(QLatin1Char('='), 1).toInt();
                if (line.startsWith(QLatin1String("X=")))
                    window.place.moveLeft(value);
                else if (line.startsWith(QLatin1String("Y=")))
                    window.place.moveTop(value);
                else if (line.startsWith(QLatin1String("WIDTH=")))
                    window.place.setWidth(value);
                else if (line.startsWith(QLatin1String("HEIGHT=")))
                    window.place.setHeight(value);
            }
            if (!window.title.isEmpty())
                shown.append(window);
        }
        return shown;
    }
    if (m_wayland->compositor() == Compositor::Weston) {
        for (const MappedWindow& mapped : m_wayland->sceneGraph())
            shown.append({QString(), mapped.title, mapped.place});
        return shown;
    }
    for (const QString& path : m_protocolLogs) {
        QFile log(path);
        if (log.open(QIODevice::ReadOnly)) {
            for (const QString& title : toplevelsInProtocolLog(log.readAll()))
                shown.append({QString(), title, QRect()});
        }
    }
    return shown;
}

QStringList DesktopWorld::titles() const
{
    QStringList names;
    for (const ShownWindow& window : windows())
        names.append(window.title);
    names.sort();
    return names;
}

bool DesktopWorld::waitUntil(const std::function<bool()>& done, int timeoutMs, bool cutIntro)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (done())
            return true;
        if (cutIntro && canTouch()) {
            for (const ShownWindow& window : windows()) {
                if (window.title != QLatin1String("Umbraxis - intro"))
                    continue;
                if (isWayland()) {
                    m_wayland->key(QStringLiteral("space"));
                } else {
                    m_display->run(
                        QStringLiteral("xdotool"),
                        {QStringLiteral("key"), QStringLiteral("--window"), window.id, QStringLiteral("space")});
                    m_display->run(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("space")});
                }
            }
        }
        QThread::msleep(100);
    }
    return done();
}

void DesktopWorld::click(const ShownWindow& window, int x, int y) const
{
    if (isWayland()) {
        m_wayland->click(window.place.topLeft() + QPoint(x, y));
        return;
    }
    m_display->run(
        QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QStringLiteral("--window"), window.id, QString::number(x), QString::number(y)});
    m_display->run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
}

QImage DesktopWorld::screenshot(const QString& name, const QRect& area) const
{
    const QString folder = binaryDir() + QStringLiteral("/artifacts");
    QDir().mkpath(folder);
    QTemporaryDir scratch;
    // A picture without a name is only looked at, not kept.
    const QString path = name.isEmpty() ? scratch.filePath(QStringLiteral("look.png"))
                                        : folder + QStringLiteral("/%1-%2.png").arg(nameOf(GetParam()), name);
    QFile::remove(path);
    QImage picture;
    if (m_display) {
        QStringList arguments{QStringLiteral("-window"), QStringLiteral("root")};
        if (area.isValid())
            arguments << QStringLiteral("-crop")
                      << QStringLiteral("%1x%2+%3+%4").arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y())
                      << QStringLiteral("+repage");
        m_display->run(QStringLiteral("import"), arguments << path, 20000);
        picture = QImage(path);
    } else {
        picture = m_wayland->screenshot();
        if (area.isValid() && !picture.isNull())
            picture = picture.copy(area);
        if (!picture.isNull())
            picture.save(path);
    }
    return picture;
}

QRect DesktopWorld::findMenu() const
{
    const QImage output = m_wayland ? m_wayland->screenshot() : QImage();
    const QImage menu(binaryDir() + QStringLiteral("/cd/images/fmain.bmp"));
    if (output.isNull() || menu.isNull())
        return QRect();
    // Points of the picture's upper part, which no button covers.
    QList<QPoint> samples;
    for (int y = 12; y < 360; y += 58)
        for (int x = 12; x < 630; x += 77)
            samples.append({x, y});
    auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24
            && std::abs(qBlue(a) - qBlue(b)) < 24;
    };
    for (int top = 0; top + menu.height() <= output.height(); ++top) {
        for (int left = 0; left + menu.width() <= output.width(); ++left) {
            bool all = true;
            for (const QPoint& point : samples) {
                if (!near(output.pixel(left + point.x(), top + point.y()), menu.pixel(point))) {
                    all = false;
                    break;
                }
            }
            if (all)
                return QRect(QPoint(left, top), menu.size());
        }
    }
    return QRect();
}

void DesktopWorld::endProgram(QProcess& program)
{
    if (isNested()) {
        const QRect menu = findMenu();
        if (menu.isValid())
            m_wayland->click(menu.topLeft() + QPoint(578, 434));
        else
            program.terminate();
    } else if (canTouch()) {
        for (const ShownWindow& window : windows()) {
            if (window.title == QLatin1String("Umbraxis"))
                click(window, 578, 434);
        }
    } else {
        program.terminate();
    }
    if (!program.waitForFinished(15000)) {
        program.kill();
        program.waitForFinished(5000);
        ADD_FAILURE() << "the program did not end";
    }
}

} // namespace umbraxis::testing
