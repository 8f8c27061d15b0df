// The baseline of the figures without a window: the least a Qt core program does to
// tick every 20 s, as a run without a window does. It says on standard error when its
// timer is started, as the program does once its schedule runs.

#include <cstdio>

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTimer minuteur;
    minuteur.setInterval(20000);
    QObject::connect(&minuteur, &QTimer::timeout, [] {});
    minuteur.start();
    std::fprintf(stderr, "programme_coeur: le minuteur tourne\n");
    return application.exec();
}
