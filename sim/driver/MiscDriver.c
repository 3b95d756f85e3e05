/*
 * Kernel-mode stand-in for the platform's misc driver, hosted by Wine's
 * winedevice.exe. It is the function driver of a root-enumerated device and
 * exposes the misc device interface, so the program finds and opens it through
 * SetupAPI and CreateFileW exactly as it would the real driver.
 *
 * This file is only the driver's shell (PnP, interface state, buffered
 * IOCTLs, handle clean-up); the protocol lives in the portable core behind
 * MiscDriverDispatch.
 */
#include <ntddk.h>
#include <initguid.h>

#include "MiscDriverDispatch.h"

#ifndef NT_ERROR
#define NT_ERROR(status) ((ULONG)(status) >> 30 == 3)
#endif

DEFINE_GUID(GUID_DEVINTERFACE_MISC, 0x80dcc0c5, 0xbd3e, 0x4bc0, 0x8a, 0x06, 0x11, 0xea, 0xe4, 0xae, 0x72, 0x24);

typedef struct DeviceExtension {
    PDEVICE_OBJECT lower;
    UNICODE_STRING interfaceName;
} DeviceExtension;

static NTSTATUS CompleteIrp(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI OnCreate(PDEVICE_OBJECT device, PIRP irp)
{
    UNREFERENCED_PARAMETER(device);
    return CompleteIrp(irp, STATUS_SUCCESS, 0);
}

/* The last handle to a file object is gone: the sessions opened on it end,
   so a program that dies mid-session leaves no keys behind. Windows sends
   IRP_MJ_CLEANUP and then IRP_MJ_CLOSE, Wine 8 only the close; both release
   (the second finds nothing left). */
static NTSTATUS NTAPI OnCleanupOrClose(PDEVICE_OBJECT device, PIRP irp)
{
    UNREFERENCED_PARAMETER(device);
    MiscDriverRelease(IoGetCurrentIrpStackLocation(irp)->FileObject);
    return CompleteIrp(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI OnDeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outCapacity = stack->Parameters.DeviceIoControl.OutputBufferLength;
    ULONG outLength = 0;
    NTSTATUS status;

    UNREFERENCED_PARAMETER(device);
    /* METHOD_BUFFERED: one system buffer holds the input on the way in and
       the answer on the way out, sized for the larger of the two. Sessions
       belong to the file object, i.e. to one CreateFile handle. */
    status =
        MiscDriverDispatch(stack->FileObject, code, irp->AssociatedIrp.SystemBuffer, inLength, outCapacity, &outLength);
    if (outLength > outCapacity)
        outLength = outCapacity;
    /* A warning (STATUS_BUFFER_OVERFLOW: a partial answer) still carries its
       bytes back to the caller; an error carries none. */
    return CompleteIrp(irp, status, NT_ERROR(status) ? 0 : outLength);
}

static NTSTATUS NTAPI OnLowerStarted(PDEVICE_OBJECT device, PIRP irp, PVOID context)
{
    UNREFERENCED_PARAMETER(device);
    UNREFERENCED_PARAMETER(irp);
    KeSetEvent((PKEVENT)context, IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

static NTSTATUS NTAPI OnPnp(PDEVICE_OBJECT device, PIRP irp)
{
    DeviceExtension* ext = (DeviceExtension*)device->DeviceExtension;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status;

    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE: {
        /* The bus driver starts the device first; the interface is switched
           on only once it has. */
        KEVENT started;
        KeInitializeEvent(&started, NotificationEvent, FALSE);
        IoCopyCurrentIrpStackLocationToNext(irp);
        IoSetCompletionRoutine(irp, OnLowerStarted, &started, TRUE, TRUE, TRUE);
        status = IoCallDriver(ext->lower, irp);
        if (status == STATUS_PENDING)
            KeWaitForSingleObject(&started, Executive, KernelMode, FALSE, NULL);
        status = irp->IoStatus.Status;
        if (NT_SUCCESS(status))
            IoSetDeviceInterfaceState(&ext->interfaceName, TRUE);
        return CompleteIrp(irp, status, irp->IoStatus.Information);
    }
    case IRP_MN_SURPRISE_REMOVAL:
        IoSetDeviceInterfaceState(&ext->interfaceName, FALSE);
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    case IRP_MN_REMOVE_DEVICE: {
        PDEVICE_OBJECT lower = ext->lower;
        IoSetDeviceInterfaceState(&ext->interfaceName, FALSE);
        irp->IoStatus.Status = STATUS_SUCCESS;
        IoSkipCurrentIrpStackLocation(irp);
        status = IoCallDriver(lower, irp);
        IoDetachDevice(lower);
        RtlFreeUnicodeString(&ext->interfaceName);
        IoDeleteDevice(device);
        return status;
    }
    default:
        break;
    }
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(ext->lower, irp);
}

static NTSTATUS NTAPI OnAddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo)
{
    PDEVICE_OBJECT device;
    DeviceExtension* ext;
    NTSTATUS status = IoCreateDevice(driver, sizeof(DeviceExtension), NULL, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    ext = (DeviceExtension*)device->DeviceExtension;
    RtlZeroMemory(ext, sizeof *ext);
    status = IoRegisterDeviceInterface(pdo, &GUID_DEVINTERFACE_MISC, NULL, &ext->interfaceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    ext->lower = IoAttachDeviceToDeviceStack(device, pdo);
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static VOID NTAPI OnUnload(PDRIVER_OBJECT driver)
{
    UNREFERENCED_PARAMETER(driver);
    MiscDriverStop();
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    NTSTATUS status;
    UNREFERENCED_PARAMETER(registryPath);
    status = MiscDriverStart();
    if (!NT_SUCCESS(status))
        return status;
    driver->DriverExtension->AddDevice = OnAddDevice;
    driver->DriverUnload = OnUnload;
    driver->MajorFunction[IRP_MJ_CREATE] = OnCreate;
    driver->MajorFunction[IRP_MJ_CLEANUP] = OnCleanupOrClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = OnCleanupOrClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = OnDeviceControl;
    driver->MajorFunction[IRP_MJ_PNP] = OnPnp;
    return STATUS_SUCCESS;
}
