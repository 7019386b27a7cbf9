#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Ruvemo");
  QMainWindow window;
  window.setWindowTitle("Brivo75");
  window.resize(800, 572);
  window.show();
  return app.exec();
}
