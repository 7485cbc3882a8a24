// Widget tests under a real QApplication; settings and temporary files stay in this run's folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QStyleFactory>
#include <string>

#include "support/TestDir.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Test discovery lists the tests without the test environment; no display is needed either way.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    quillon::test::TestDir scratch;
    scratch.MakeTree({{"config/", ""}, {"tmp/", ""}});
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    setenv("TMPDIR", (scratch / "tmp").c_str(), 1);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    return RUN_ALL_TESTS();
}
