# cmake -DSOURCE=... -DTARGET=... -P compact-manifest.cmake
# Writes the manifest without its comments and the blanks between its
# elements. They are there for its readers, and would take a kilobyte of
# the program's 16; Windows reads the two alike.
file(READ ${SOURCE} text)
string(REGEX REPLACE "<!--([^-]|-[^-])*-->" "" text "${text}")
string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
string(REPLACE "> <" "><" text "${text}")
string(STRIP "${text}" text)
file(WRITE ${TARGET} "${text}")
