// Sample for the engine include check: a Gui header by module path.
  #  include "QtGui/QPainter"
