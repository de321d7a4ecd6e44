// Found first on the include path of the link and app libraries, which are built on QtCore
// alone: any QtGui header reached from there stops the build here.
#error "the link and app rooms use QtCore only: no QtGui header may be included there"
