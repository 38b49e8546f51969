// The Windows stub, built by the cross build and embedded in corvane when
// the build had a cross compiler (CORVANE_EMBEDDED_STUB).
#ifndef CORVANE_CLI_EMBEDDED_STUB_H
#define CORVANE_CLI_EMBEDDED_STUB_H

extern const unsigned char kEmbeddedStub[];
extern const unsigned long kEmbeddedStubSize;

#endif
