/* What the protocol core needs from the kernel, in plain C types: the C++
   side never includes the DDK headers, which do not compile as C++. Every
   function runs at PASSIVE_LEVEL. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* Seeds the random source and prepares the lock; once, from DriverEntry. */
void KernelServicesStart(void);

/* Zero-filled non-paged memory; null when the pool is exhausted. */
void* KernelAllocate(unsigned long long bytes);
void KernelFree(void* memory);

/* The one lock around the protocol core: winedevice may deliver requests on
   several threads at once. */
void KernelLock(void);
void KernelUnlock(void);

/* 32 random bits; call only under the lock (the generator's state is shared). */
unsigned int KernelRandomWord(void);

/* Registry under \Registry\Machine. Paths and names are UTF-16LE code units
   without a terminator, at any alignment. Results are NTSTATUS values. */
long KernelRegistryWriteDword(const unsigned char* path, unsigned int pathUnits, const unsigned char* name,
                              unsigned int nameUnits, unsigned int value);
/* *type and *length always; the data only when length <= capacity. */
long KernelRegistryQuery(const unsigned char* path, unsigned int pathUnits, const unsigned char* name,
                         unsigned int nameUnits, unsigned int* type, unsigned int* length, unsigned char* data,
                         unsigned int capacity);

/* The stand-in's own configuration key, values named in ASCII. */
int KernelReadConfigDword(const char* name, unsigned int* value);
void KernelDeleteConfigValue(const char* name);

#ifdef __cplusplus
}
#endif
