// The baseline of the whole-program figures: the least a Qt Widgets program does to
// show a window, one label.

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QLabel etiquette("ervaline");
    etiquette.show();
    return application.exec();
}
