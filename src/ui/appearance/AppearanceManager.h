#pragma once

#include <QObject>
#include <QPalette>
#include <QString>
#include <functional>

namespace tolvane {

// Applies the "appearance" setting to the whole application: "system" (and anything unknown)
// keeps the platform's style and palette, "light" and "dark" force Fusion with a light or dark
// palette, "opposite" forces the reverse of the system's current mode. Create it once, after the
// QApplication and before any override, so that it can remember the platform's own look.
class AppearanceManager : public QObject {
    Q_OBJECT
public:
    enum class Scheme { System, Light, Dark };

    explicit AppearanceManager(QObject* parent = nullptr);

    // Asked each time "opposite" is applied; the default asks the desktop portal and falls back to
    // the platform palette. Tests inject a fixed answer.
    void setSystemDarkQuery(std::function<bool()> query);

    // Applies the current setting now, and again on every change of it. Call at the main window's
    // first show.
    void start();
    // Applies the current setting once.
    void apply();

    // The scheme a setting value asks for on a system that is (or is not) dark.
    [[nodiscard]] static Scheme schemeFor(const QString& appearance, bool systemIsDark);
    [[nodiscard]] Scheme appliedScheme() const { return m_applied; }

    [[nodiscard]] static QPalette lightPalette();
    [[nodiscard]] static QPalette darkPalette();

Q_SIGNALS:
    void applied(tolvane::AppearanceManager::Scheme scheme);

private:
    void applyScheme(Scheme scheme);

    QString m_platformStyle;
    QPalette m_platformPalette;
    std::function<bool()> m_systemIsDark;
    Scheme m_applied = Scheme::System;
    bool m_started = false;
};

} // namespace tolvane
