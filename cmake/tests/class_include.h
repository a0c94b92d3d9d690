// Sample for the engine include check: a widget header by class name.
#include <string>
#include <QWidget>
