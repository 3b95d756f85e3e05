/*
 * Kernel services behind the protocol core: pool memory, the lock, the random
 * source, and the registry (the product's values and the stand-in's own fault
 * configuration) through Zw* calls.
 */
#include <ntddk.h>

#include "KernelServices.h"

/* Not declared by the MinGW DDK headers; exported by ntoskrnl. */
NTSYSAPI ULONG NTAPI RtlRandomEx(PULONG seed);

#define BRINDLE_POOL_TAG 0x6D697242 /* "Brim" */

static const WCHAR kMachineRoot[] = L"\\Registry\\Machine\\";
static const WCHAR kConfigKey[] = L"\\Registry\\Machine\\SOFTWARE\\BrindleSim\\MiscDriver";
#define MACHINE_ROOT_UNITS (sizeof kMachineRoot / sizeof(WCHAR) - 1)
/* Longest fault value name, with room to spare. */
#define CONFIG_NAME_UNITS 32

/* A mutex rather than a fast mutex: the registry calls made under it must
   run at PASSIVE_LEVEL, and a fast mutex raises to APC_LEVEL. */
static KMUTEX g_lock;
static ULONG g_randomSeed;

void KernelServicesStart(void)
{
    /* Not KeQuerySystemTime or KeQueryInterruptTime: on x86_64 the headers
       make them reads of the kernel's shared page, which winedevice has
       only through instruction emulation. */
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter = KeQueryPerformanceCounter(&frequency);
    KeInitializeMutex(&g_lock, 0);
    g_randomSeed = counter.LowPart ^ counter.HighPart ^ frequency.LowPart ^ (ULONG)(ULONG_PTR)&frequency;
}

void* KernelAllocate(unsigned long long bytes)
{
    void* memory = ExAllocatePoolWithTag(NonPagedPool, (SIZE_T)bytes, BRINDLE_POOL_TAG);
    if (memory != NULL)
        RtlZeroMemory(memory, (SIZE_T)bytes);
    return memory;
}

void KernelFree(void* memory)
{
    if (memory != NULL)
        ExFreePoolWithTag(memory, BRINDLE_POOL_TAG);
}

void KernelLock(void)
{
    KeWaitForSingleObject(&g_lock, Executive, KernelMode, FALSE, NULL);
}

void KernelUnlock(void)
{
    KeReleaseMutex(&g_lock, FALSE);
}

unsigned int KernelRandomWord(void)
{
    /* RtlRandomEx gives 31 bits a call; the counter adds what the generator's
       own state cannot: when the request came. */
    LARGE_INTEGER counter = KeQueryPerformanceCounter(NULL);
    ULONG high = RtlRandomEx(&g_randomSeed);
    ULONG low = RtlRandomEx(&g_randomSeed);
    return (unsigned int)((high << 16) ^ low ^ counter.LowPart);
}

/* "\Registry\Machine\<path>" in pool memory; the caller frees Buffer. */
static NTSTATUS MachinePath(const unsigned char* path, unsigned int pathUnits, UNICODE_STRING* name)
{
    SIZE_T units = MACHINE_ROOT_UNITS + pathUnits;
    if (units * sizeof(WCHAR) > 0xFFFE)
        return STATUS_NAME_TOO_LONG;
    name->Buffer = (PWSTR)KernelAllocate(units * sizeof(WCHAR));
    if (name->Buffer == NULL)
        return STATUS_INSUFFICIENT_RESOURCES;
    RtlCopyMemory(name->Buffer, kMachineRoot, MACHINE_ROOT_UNITS * sizeof(WCHAR));
    /* The units arrive as little-endian bytes, which is WCHAR's own layout;
       the copy also takes care of the alignment. */
    RtlCopyMemory(name->Buffer + MACHINE_ROOT_UNITS, path, pathUnits * sizeof(WCHAR));
    name->Length = (USHORT)(units * sizeof(WCHAR));
    name->MaximumLength = name->Length;
    return STATUS_SUCCESS;
}

static NTSTATUS ValueName(const unsigned char* name, unsigned int nameUnits, UNICODE_STRING* text)
{
    SIZE_T bytes = (SIZE_T)nameUnits * sizeof(WCHAR);
    if (bytes > 0xFFFE)
        return STATUS_NAME_TOO_LONG;
    /* One unit more so that an empty name (the key's default value) still
       has a buffer. */
    text->Buffer = (PWSTR)KernelAllocate(bytes + sizeof(WCHAR));
    if (text->Buffer == NULL)
        return STATUS_INSUFFICIENT_RESOURCES;
    RtlCopyMemory(text->Buffer, name, bytes);
    text->Length = (USHORT)bytes;
    text->MaximumLength = (USHORT)bytes;
    return STATUS_SUCCESS;
}

static NTSTATUS OpenKey(UNICODE_STRING* path, ACCESS_MASK access, BOOLEAN create, HANDLE* key)
{
    OBJECT_ATTRIBUTES attributes;
    ULONG disposition;
    InitializeObjectAttributes(&attributes, path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!create)
        return ZwOpenKey(key, access, &attributes);
    return ZwCreateKey(key, access, &attributes, 0, NULL, REG_OPTION_NON_VOLATILE, &disposition);
}

/* ZwCreateKey makes only the last component, so every key on the way down
   from \Registry\Machine is created in turn. */
static NTSTATUS CreateKeyPath(UNICODE_STRING* path, HANDLE* key)
{
    USHORT fullLength = path->Length;
    USHORT units = fullLength / sizeof(WCHAR);
    USHORT i;
    NTSTATUS status = STATUS_SUCCESS;
    *key = NULL;
    for (i = MACHINE_ROOT_UNITS; i <= units && NT_SUCCESS(status); ++i) {
        HANDLE step;
        if (i < units && path->Buffer[i] != L'\\')
            continue;
        path->Length = (USHORT)(i * sizeof(WCHAR));
        status = OpenKey(path, i == units ? KEY_SET_VALUE : KEY_CREATE_SUB_KEY, TRUE, &step);
        if (!NT_SUCCESS(status))
            break;
        if (i == units)
            *key = step;
        else
            ZwClose(step);
    }
    path->Length = fullLength;
    return status;
}

long KernelRegistryWriteDword(const unsigned char* path, unsigned int pathUnits, const unsigned char* name,
                              unsigned int nameUnits, unsigned int value)
{
    UNICODE_STRING keyPath;
    UNICODE_STRING valueName;
    HANDLE key;
    ULONG data = value;
    NTSTATUS status = MachinePath(path, pathUnits, &keyPath);
    if (!NT_SUCCESS(status))
        return status;
    status = ValueName(name, nameUnits, &valueName);
    if (NT_SUCCESS(status)) {
        status = CreateKeyPath(&keyPath, &key);
        if (NT_SUCCESS(status)) {
            status = ZwSetValueKey(key, &valueName, 0, REG_DWORD, &data, sizeof data);
            ZwClose(key);
        }
        KernelFree(valueName.Buffer);
    }
    KernelFree(keyPath.Buffer);
    return status;
}

/* Type and length of a value, and its data when it fits `capacity`. */
static NTSTATUS QueryOpenKey(HANDLE key, UNICODE_STRING* valueName, unsigned int* type, unsigned int* length,
                             unsigned char* data, unsigned int capacity)
{
    const ULONG header = FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data);
    /* Room for the header and a DWORD: most answers need no second call. */
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data) + sizeof(ULONG)];
    } probe;
    KEY_VALUE_PARTIAL_INFORMATION* full;
    ULONG needed = 0;
    NTSTATUS status = ZwQueryValueKey(key, valueName, KeyValuePartialInformation, &probe, sizeof probe, &needed);
    if (status != STATUS_SUCCESS && status != STATUS_BUFFER_OVERFLOW)
        return status;
    *type = probe.info.Type;
    *length = probe.info.DataLength;
    if (probe.info.DataLength > capacity || probe.info.DataLength == 0)
        return STATUS_SUCCESS;
    if (status == STATUS_SUCCESS) {
        RtlCopyMemory(data, probe.bytes + header, probe.info.DataLength);
        return STATUS_SUCCESS;
    }
    full = (KEY_VALUE_PARTIAL_INFORMATION*)KernelAllocate(header + probe.info.DataLength);
    if (full == NULL)
        return STATUS_INSUFFICIENT_RESOURCES;
    status = ZwQueryValueKey(key, valueName, KeyValuePartialInformation, full, header + probe.info.DataLength, &needed);
    /* The value may have changed between the two calls; a value that grew
       past the caller's capacity is reported as such, one that grew but
       still fits is not worth a third round. */
    if (NT_SUCCESS(status) || (status == STATUS_BUFFER_OVERFLOW && full->DataLength > capacity)) {
        *type = full->Type;
        *length = full->DataLength;
        if (NT_SUCCESS(status) && full->DataLength <= capacity)
            RtlCopyMemory(data, (const UCHAR*)full + header, full->DataLength);
        status = STATUS_SUCCESS;
    }
    KernelFree(full);
    return status;
}

long KernelRegistryQuery(const unsigned char* path, unsigned int pathUnits, const unsigned char* name,
                         unsigned int nameUnits, unsigned int* type, unsigned int* length, unsigned char* data,
                         unsigned int capacity)
{
    UNICODE_STRING keyPath;
    UNICODE_STRING valueName;
    HANDLE key;
    NTSTATUS status = MachinePath(path, pathUnits, &keyPath);
    if (!NT_SUCCESS(status))
        return status;
    status = ValueName(name, nameUnits, &valueName);
    if (NT_SUCCESS(status)) {
        status = OpenKey(&keyPath, KEY_QUERY_VALUE, FALSE, &key);
        if (NT_SUCCESS(status)) {
            status = QueryOpenKey(key, &valueName, type, length, data, capacity);
            ZwClose(key);
        }
        KernelFree(valueName.Buffer);
    }
    KernelFree(keyPath.Buffer);
    return status;
}

static BOOLEAN ConfigName(const char* ascii, WCHAR* buffer, UNICODE_STRING* name)
{
    USHORT units = 0;
    while (ascii[units] != '\0') {
        if (units == CONFIG_NAME_UNITS)
            return FALSE;
        buffer[units] = (WCHAR)(unsigned char)ascii[units];
        ++units;
    }
    name->Buffer = buffer;
    name->Length = (USHORT)(units * sizeof(WCHAR));
    name->MaximumLength = name->Length;
    return TRUE;
}

static NTSTATUS OpenConfigKey(ACCESS_MASK access, HANDLE* key)
{
    UNICODE_STRING path;
    RtlInitUnicodeString(&path, kConfigKey);
    return OpenKey(&path, access, FALSE, key);
}

int KernelReadConfigDword(const char* name, unsigned int* value)
{
    WCHAR units[CONFIG_NAME_UNITS];
    UNICODE_STRING valueName;
    HANDLE key;
    unsigned int type = 0;
    unsigned int length = 0;
    unsigned char data[4];
    NTSTATUS status;
    if (!ConfigName(name, units, &valueName) || !NT_SUCCESS(OpenConfigKey(KEY_QUERY_VALUE, &key)))
        return 0;
    status = QueryOpenKey(key, &valueName, &type, &length, data, sizeof data);
    ZwClose(key);
    if (!NT_SUCCESS(status) || type != REG_DWORD || length != sizeof data)
        return 0;
    *value = (unsigned int)data[0] | ((unsigned int)data[1] << 8) | ((unsigned int)data[2] << 16) |
             ((unsigned int)data[3] << 24);
    return 1;
}

void KernelDeleteConfigValue(const char* name)
{
    WCHAR units[CONFIG_NAME_UNITS];
    UNICODE_STRING valueName;
    HANDLE key;
    if (!ConfigName(name, units, &valueName) || !NT_SUCCESS(OpenConfigKey(KEY_SET_VALUE, &key)))
        return;
    ZwDeleteValueKey(key, &valueName);
    ZwClose(key);
}
