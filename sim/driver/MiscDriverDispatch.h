/* The seam between the kernel shell and the driver's protocol. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* Serves one buffered DeviceIoControl request. buffer holds inLength input
   bytes and has room for outCapacity answer bytes (the same memory). Returns
   an NTSTATUS; *outLength is the answer's size. */
long MiscDriverDispatch(unsigned long code, void* buffer, unsigned long inLength,
                        unsigned long outCapacity, unsigned long* outLength);

#ifdef __cplusplus
}
#endif
