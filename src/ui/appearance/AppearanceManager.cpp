#include "ui/appearance/AppearanceManager.h"

#include "platform/ColorSchemeHelper.h"
#include "settings/AppSettings.h"
#include "settings/SettingsNotifier.h"

#include "ui/common/viewColors.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace tolvane {
namespace {

void setDisabled(QPalette& palette, const QColor& text, const QColor& button) {
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, text);
    palette.setColor(QPalette::Disabled, QPalette::Button, button);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, text);
}

// Fusion draws a radio button's ring a step darker than the window and its dot in a dimmed text
// colour: on a dark window neither can be seen. The ring takes the secondary text colour and the
// dot the highlight colour there.
class ReadableIndicatorsStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_IndicatorRadioButton || !option || !ViewColors::isDark(option->palette)) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        QStyleOption tinted(*option);
        tinted.palette.setColor(QPalette::Window,
                                ViewColors::secondary(option->palette).lighter(130));
        tinted.palette.setColor(QPalette::Text,
                                option->palette.color(QPalette::Highlight).lighter(130));
        QProxyStyle::drawPrimitive(element, &tinted, painter, widget);
    }
};

} // namespace

AppearanceManager::AppearanceManager(QObject* parent)
    : QObject(parent), m_platformStyle(QApplication::style()->name()),
      m_platformPalette(QApplication::palette()) {
    m_systemIsDark = [palette = m_platformPalette] {
        return ColorSchemeHelper::systemIsDark(palette);
    };
}

void AppearanceManager::setSystemDarkQuery(std::function<bool()> query) {
    m_systemIsDark = std::move(query);
}

void AppearanceManager::start() {
    if (!m_started) {
        m_started = true;
        connect(&SettingsNotifier::instance(), &SettingsNotifier::changed, this,
                [this](const QString& key) {
                    if (key == QLatin1String(SettingsKey::appearance))
                        apply();
                });
    }
    apply();
}

void AppearanceManager::apply() {
    const QString appearance = AppSettings::appearance();
    // Only "opposite" needs to know the system's mode; asking costs a D-Bus round trip.
    const bool systemIsDark = appearance == QLatin1String("opposite") ? m_systemIsDark() : false;
    applyScheme(schemeFor(appearance, systemIsDark));
}

AppearanceManager::Scheme AppearanceManager::schemeFor(const QString& appearance,
                                                       bool systemIsDark) {
    if (appearance == QLatin1String("light"))
        return Scheme::Light;
    if (appearance == QLatin1String("dark"))
        return Scheme::Dark;
    if (appearance == QLatin1String("opposite"))
        return systemIsDark ? Scheme::Light : Scheme::Dark;
    return Scheme::System;
}

void AppearanceManager::applyScheme(Scheme scheme) {
    if (scheme == Scheme::System) {
        if (m_applied != Scheme::System) {
            QApplication::setStyle(QStyleFactory::create(m_platformStyle));
            // An empty palette sets no role, so the platform's own colours apply again and keep
            // following the desktop's theme.
            QApplication::setPalette(QPalette());
        }
    } else {
        if (!dynamic_cast<ReadableIndicatorsStyle*>(QApplication::style()))
            QApplication::setStyle(
                new ReadableIndicatorsStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
        QApplication::setPalette(scheme == Scheme::Dark ? darkPalette() : lightPalette());
    }
    m_applied = scheme;
    Q_EMIT applied(scheme);
}

QPalette AppearanceManager::lightPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0xef, 0xef, 0xf1));
    p.setColor(QPalette::WindowText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf5, 0xf5, 0xf7));
    p.setColor(QPalette::ToolTipBase, QColor(0xfb, 0xfb, 0xfc));
    p.setColor(QPalette::ToolTipText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::PlaceholderText, QColor(0x68, 0x68, 0x6e));
    p.setColor(QPalette::Text, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Button, QColor(0xf8, 0xf8, 0xf9));
    p.setColor(QPalette::ButtonText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::BrightText, QColor(0xd7, 0x26, 0x1e));
    p.setColor(QPalette::Light, Qt::white);
    p.setColor(QPalette::Midlight, QColor(0xe4, 0xe4, 0xe7));
    p.setColor(QPalette::Mid, QColor(0xc6, 0xc6, 0xcb));
    p.setColor(QPalette::Dark, QColor(0xa4, 0xa4, 0xaa));
    p.setColor(QPalette::Shadow, QColor(0x4a, 0x4a, 0x50));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xd6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x1f, 0x5f, 0xc8));
    p.setColor(QPalette::LinkVisited, QColor(0x7a, 0x3f, 0xb8));
    setDisabled(p, QColor(0xa8, 0xa8, 0xad), QColor(0xf0, 0xf0, 0xf2));
    return p;
}

QPalette AppearanceManager::darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x2a, 0x2a, 0x2d));
    p.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xea));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    p.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x29));
    p.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3e));
    p.setColor(QPalette::ToolTipText, QColor(0xe8, 0xe8, 0xea));
    p.setColor(QPalette::PlaceholderText, QColor(0x98, 0x98, 0x9f));
    p.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xea));
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    p.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xea));
    p.setColor(QPalette::BrightText, QColor(0xff, 0x6b, 0x5f));
    p.setColor(QPalette::Light, QColor(0x4c, 0x4c, 0x52));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x45));
    p.setColor(QPalette::Mid, QColor(0x33, 0x33, 0x37));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    p.setColor(QPalette::Shadow, QColor(0x0c, 0x0c, 0x0d));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xd6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x6c, 0xa8, 0xff));
    p.setColor(QPalette::LinkVisited, QColor(0xb8, 0x8c, 0xf0));
    setDisabled(p, QColor(0x6e, 0x6e, 0x74), QColor(0x30, 0x30, 0x33));
    return p;
}

} // namespace tolvane
