// A shared library that loads but exports no CreateObject.
extern "C" int ArcTestNotAPlugin() { return 7; }
