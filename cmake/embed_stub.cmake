# Writes a C++ source holding the stub's bytes, for corvane's default stub.
file(READ ${STUB} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "// Made by cmake/embed_stub.cmake from corvane-stub.exe.\n"
     "#include \"cli/embedded_stub.h\"\n\n"
     "const unsigned char kEmbeddedStub[] = {\n${bytes}\n};\n"
     "const unsigned long kEmbeddedStubSize = ${size};\n")
