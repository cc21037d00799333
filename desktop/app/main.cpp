// handrel: the desktop program. Everything but the QApplication lives in hd_ui.
#include <QApplication>
#include <cstdio>

#include "desktop/ui/Application.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Orvenna Inc");
    QApplication::setApplicationName("Handrel");
    QApplication::setApplicationVersion("2.17");
    std::vector<std::string> args;
    for (const QString& a : QApplication::arguments().mid(1)) args.push_back(a.toStdString());
    hd::desktop::StartOptions options;
    std::string error;
    if (!hd::desktop::ParseStartOptions(args, options, error)) {
        std::fprintf(stderr, "handrel: %s\n%s", error.c_str(), hd::desktop::StartUsage().c_str());
        return 2;
    }
    return hd::desktop::RunApplication(options);
}
