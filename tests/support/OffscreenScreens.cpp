#include "support/OffscreenScreens.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <gtest/gtest.h>
#include <qpa/qplatformnativeinterface.h>

namespace {

using TGetConfiguration = QJsonObject (*)(QPlatformNativeInterface*);
using TSetConfiguration = void (*)(const QJsonObject&, QPlatformNativeInterface*);

QPlatformNativeInterface* Native() {
    return QGuiApplication::platformNativeInterface();
}

template <typename F> F Function(const char* name) {
    QPlatformNativeInterface* native = Native();
    return native ? reinterpret_cast<F>(native->nativeResourceForIntegration(name)) : nullptr;
}

void Apply(const QJsonObject& configuration) {
    const auto set = Function<TSetConfiguration>("setConfiguration");
    ASSERT_NE(set, nullptr) << "screens can be changed on the offscreen platform only";
    set(configuration, Native());
    QCoreApplication::processEvents();
}

} // namespace

TScopedScreens::TScopedScreens(const QList<QRect>& screens) {
    if (const auto get = Function<TGetConfiguration>("configuration"))
        Saved = get(Native());
    Set(screens);
}

TScopedScreens::~TScopedScreens() {
    if (!Saved.isEmpty())
        Apply(Saved);
}

void TScopedScreens::Set(const QList<QRect>& screens) {
    QJsonObject configuration = Saved;
    QJsonArray list;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QRect& r = screens[i];
        list.append(QJsonObject{{"name", QStringLiteral("s%1").arg(i)},
                                {"x", r.x()},
                                {"y", r.y()},
                                {"width", r.width()},
                                {"height", r.height()},
                                {"logicalDpi", 96},
                                {"logicalBaseDpi", 96},
                                {"dpr", 1}});
    }
    configuration["screens"] = list;
    Apply(configuration);
}
