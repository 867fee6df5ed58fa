#include "platform/Modules.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

TEST(Modules, FoundBesideTheProgramAndAMissingOrBrokenOneIsToldNotCrashed) {
    const QString exeDir = QCoreApplication::applicationDirPath();
    EXPECT_EQ(ModuleDirectories().value(0), exeDir);
    EXPECT_GE(ModuleDirectories().size(), 2) << "the install's folder comes after it";

    QString error;
    auto probe = reinterpret_cast<int (*)()>(ModuleSymbol("notella-probe", "NotellaProbe", &error));
    ASSERT_NE(probe, nullptr) << error.toStdString();
    EXPECT_EQ(probe(), 42);
    EXPECT_EQ(ModuleSymbol("notella-probe", "NoSuchFunction", &error), nullptr);
    EXPECT_TRUE(error.contains("NoSuchFunction"));

    EXPECT_EQ(ModuleSymbol("notella-missing", "NotellaProbe", &error), nullptr);
    EXPECT_TRUE(error.contains("notella-missing.so")) << error.toStdString();

    // Not a shared object at all: dlopen's own reason is given.
    const QString broken = exeDir + "/notella-broken.so";
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not an ELF file");
    }
    error.clear();
    EXPECT_EQ(ModuleSymbol("notella-broken", "NotellaProbe", &error), nullptr);
    QFile::remove(broken);
    EXPECT_TRUE(error.contains("notella-broken.so")) << error.toStdString();
    EXPECT_TRUE(MissingModuleText("Drukowanie", error).contains(QString::fromUtf8("„Drukowanie”")));
}
