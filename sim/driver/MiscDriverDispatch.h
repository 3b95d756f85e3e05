/* The seam between the kernel shell (C) and the protocol core (C++). */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* Places the core in non-paged memory and readies it; from DriverEntry.
   Returns an NTSTATUS. */
long MiscDriverStart(void);
/* Ends every session and frees the core; from the unload routine. */
void MiscDriverStop(void);

/* Serves one buffered DeviceIoControl request from the file object `owner`.
   buffer holds inLength input bytes and has room for outCapacity answer
   bytes (the same memory). Returns an NTSTATUS; *outLength is the answer's
   size, which a warning status (more data) returns as well. */
long MiscDriverDispatch(void* owner, unsigned long code, void* buffer, unsigned long inLength,
                        unsigned long outCapacity, unsigned long* outLength);

/* The file object's last handle was closed: its sessions end. */
void MiscDriverRelease(void* owner);

#ifdef __cplusplus
}
#endif
