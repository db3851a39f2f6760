/* A bus driver for tests under wine: each "plug" makes a child device with a
 * USB-style hardware ID, registers the receiver's interface class for it and
 * serves the two pipes "\PIPE00" (write) and "\PIPE01" (read). Every transfer
 * is handed to the program that plugged the device (ortensim.exe, running the
 * simulated receiver) and completed with its answer: an inverted call, the
 * program waiting in IOCTL_ORTENSIM_NEXT. Test code only, never installed for
 * users. */
#include "ortensim.h"

/* Wine does not hand a trailing name ("\PIPE00") through a device object to
 * its driver, so the pipes are device objects of their own in an object
 * directory, and the interface's link points at that directory. */

KSPIN_LOCK lock;
LIST_ENTRY children;
static LIST_ENTRY plugged;
static ULONG nextNumber = 1;
static DEVICE_OBJECT *control, *busPdo, *lower;
static DRIVER_OBJECT *driverObject;
static UNICODE_STRING controlLink;

static const GUID receiverInterface = {
    0xE6EF7DCD, 0x1795, 0x4A08, {0x9F, 0xBF, 0xAA, 0x78, 0x42, 0x3C, 0x26, 0xF0}};

/* Appends the decimal or upper-case hex digits of value to text. */
static WCHAR *put_number(WCHAR *text, ULONG value, ULONG base, int width) {
  WCHAR digits[12];
  int n = 0;
  do {
    ULONG d = value % base;
    digits[n++] = (WCHAR)(d < 10 ? L'0' + d : L'A' + d - 10);
    value /= base;
  } while (value || n < width);
  while (n) *text++ = digits[--n];
  *text = 0;
  return text;
}

static WCHAR *put_text(WCHAR *text, const WCHAR *add) {
  while (*add) *text++ = *add++;
  *text = 0;
  return text;
}

static WCHAR *pool_text(SIZE_T chars) {
  WCHAR *text = ExAllocatePoolWithTag(PagedPool, chars * sizeof(WCHAR), POOL_TAG);
  if (text) text[0] = 0;
  return text;
}

/* "USB\VID_1209&PID_0001" */
static WCHAR *put_usb_id(WCHAR *text, const struct child *child) {
  text = put_text(text, L"USB\\VID_");
  text = put_number(text, child->vendor, 16, 4);
  text = put_text(text, L"&PID_");
  return put_number(text, child->product, 16, 4);
}

/* The interface goes away with the device, so no program finds it again. */
static void unlink_interface(struct child *child) {
  if (!InterlockedExchange(&child->linked, 0)) return;
  IoSetDeviceInterfaceState(&child->link, FALSE);
  IoDeleteSymbolicLink(&child->link);
}

/* A device pulled out keeps its record and its pipes' device objects until
 * the driver goes: a handle a program still holds may reach them any time,
 * and they cost a few kilobytes a device for the length of a test run. */

/* "\Device\OrtenSimPipes<n>" and its two pipes. */
static NTSTATUS make_pipes(struct child *child) {
  static const WCHAR *const pipeNames[2] = {L"\\PIPE00", L"\\PIPE01"};
  WCHAR name[64];
  WCHAR *end = put_number(put_text(name, L"\\Device\\OrtenSimPipes"), child->number, 10, 1);
  UNICODE_STRING string;
  OBJECT_ATTRIBUTES attributes;
  NTSTATUS status;
  ULONG i;
  RtlInitUnicodeString(&string, name);
  InitializeObjectAttributes(&attributes, &string, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE, NULL,
                             NULL);
  status = ZwCreateDirectoryObject(&child->directory, DIRECTORY_ALL_ACCESS, &attributes);
  if (!NT_SUCCESS(status)) return status;
  for (i = 0; i < 2; ++i) {
    struct extension *ext;
    put_text(end, pipeNames[i]);
    RtlInitUnicodeString(&string, name);
    status = IoCreateDevice(driverObject, sizeof(struct extension), &string, FILE_DEVICE_UNKNOWN, 0,
                            FALSE, &child->pipes[i]);
    if (!NT_SUCCESS(status)) return status;
    ext = child->pipes[i]->DeviceExtension;
    ext->kind = KIND_PIPE;
    ext->child = child;
    ext->pipe = i;
    child->pipes[i]->Flags |= DO_BUFFERED_IO;
    child->pipes[i]->Flags &= ~DO_DEVICE_INITIALIZING;
  }
  *end = 0;
  RtlInitUnicodeString(&string, name);
  status = IoRegisterDeviceInterface(child->pdo, &receiverInterface, NULL, &child->link);
  if (!NT_SUCCESS(status)) return status;
  status = IoSetDeviceInterfaceState(&child->link, TRUE);
  if (!NT_SUCCESS(status)) return status;
  InterlockedExchange(&child->linked, 1);
  /* The link the system made points at the device; the pipes are in the directory. */
  IoDeleteSymbolicLink(&child->link);
  return IoCreateSymbolicLink(&child->link, &string);
}

static NTSTATUS query_id(struct child *child, IRP *irp, BUS_QUERY_ID_TYPE type) {
  WCHAR *id = pool_text(96);
  WCHAR *end;
  if (!id) return STATUS_NO_MEMORY;
  switch (type) {
    case BusQueryDeviceID:
      put_usb_id(id, child);
      break;
    case BusQueryInstanceID:
      put_number(id, child->number, 10, 1);
      break;
    case BusQueryHardwareIDs: /* a list: each ID closed by a null, then one more */
      end = put_usb_id(id, child);
      end = put_text(end, L"&REV_0100") + 1;
      end = put_usb_id(end, child) + 1;
      *end = 0;
      break;
    case BusQueryCompatibleIDs: /* wine registers the device only once it has these */
      end = put_text(id, L"USB\\Class_FF&SubClass_00&Prot_00") + 1;
      end = put_text(end, L"USB\\Class_FF") + 1;
      *end = 0;
      break;
    default:
      ExFreePoolWithTag(id, POOL_TAG);
      return irp->IoStatus.Status;
  }
  irp->IoStatus.Information = (ULONG_PTR)id;
  return STATUS_SUCCESS;
}

static NTSTATUS child_pnp(DEVICE_OBJECT *device, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  struct child *child = ((struct extension *)device->DeviceExtension)->child;
  NTSTATUS status = irp->IoStatus.Status;
  LIST_ENTRY done;
  KIRQL irql;
  InitializeListHead(&done);
  switch (stack->MinorFunction) {
    case IRP_MN_QUERY_ID:
      status = query_id(child, irp, stack->Parameters.QueryId.IdType);
      break;
    case IRP_MN_QUERY_CAPABILITIES: {
      DEVICE_CAPABILITIES *caps = stack->Parameters.DeviceCapabilities.Capabilities;
      /* Started without a function driver, as a raw device. */
      caps->RawDeviceOK = 1;
      caps->SurpriseRemovalOK = 1;
      caps->Removable = 1;
      caps->UniqueID = 1;
      status = STATUS_SUCCESS;
      break;
    }
    case IRP_MN_START_DEVICE:
      status = make_pipes(child);
      break;
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_STOP_DEVICE:
      status = STATUS_SUCCESS;
      break;
    case IRP_MN_REMOVE_DEVICE:
      KeAcquireSpinLock(&lock, &irql);
      if (!child->gone) pull_out(child, &done);
      KeReleaseSpinLock(&lock, irql);
      complete_list(&done);
      unlink_interface(child);
      finish(irp, STATUS_SUCCESS, 0);
      KeAcquireSpinLock(&lock, &irql);
      child->pdoDeleted = TRUE;
      KeReleaseSpinLock(&lock, irql);
      IoDeleteDevice(device);
      return STATUS_SUCCESS;
  }
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS bus_relations(IRP *irp) {
  DEVICE_RELATIONS *relations;
  LIST_ENTRY *entry;
  ULONG count = 0;
  KIRQL irql;
  KeAcquireSpinLock(&lock, &irql);
  for (entry = plugged.Flink; entry != &plugged; entry = entry->Flink) ++count;
  relations = ExAllocatePoolWithTag(PagedPool, sizeof(DEVICE_RELATIONS) + count * sizeof(void *),
                                    POOL_TAG);
  if (!relations) {
    KeReleaseSpinLock(&lock, irql);
    return STATUS_NO_MEMORY;
  }
  relations->Count = 0;
  for (entry = plugged.Flink; entry != &plugged; entry = entry->Flink) {
    struct child *child = CONTAINING_RECORD(entry, struct child, bus);
    ObReferenceObject(child->pdo);
    relations->Objects[relations->Count++] = child->pdo;
  }
  KeReleaseSpinLock(&lock, irql);
  irp->IoStatus.Information = (ULONG_PTR)relations;
  return STATUS_SUCCESS;
}

void unplug_all(FILE_OBJECT *owner) {
  LIST_ENTRY *entry;
  LIST_ENTRY done;
  BOOLEAN any = FALSE;
  KIRQL irql;
  InitializeListHead(&done);
  KeAcquireSpinLock(&lock, &irql);
  for (entry = children.Flink; entry != &children; entry = entry->Flink) {
    struct child *child = CONTAINING_RECORD(entry, struct child, all);
    if (child->gone || (owner && child->owner != owner)) continue;
    pull_out(child, &done);
    any = TRUE;
  }
  KeReleaseSpinLock(&lock, irql);
  complete_list(&done);
  if (any && busPdo) IoInvalidateDeviceRelations(busPdo, BusRelations);
}

static NTSTATUS control_pnp(IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  NTSTATUS status;
  switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_STOP_DEVICE:
      irp->IoStatus.Status = STATUS_SUCCESS;
      break;
    case IRP_MN_QUERY_DEVICE_RELATIONS:
      if (stack->Parameters.QueryDeviceRelations.Type != BusRelations) break;
      irp->IoStatus.Status = bus_relations(irp);
      break;
    case IRP_MN_REMOVE_DEVICE:
      unplug_all(NULL);
      IoDeleteSymbolicLink(&controlLink);
      irp->IoStatus.Status = STATUS_SUCCESS;
      IoSkipCurrentIrpStackLocation(irp);
      status = IoCallDriver(lower, irp);
      IoDetachDevice(lower);
      IoDeleteDevice(control);
      control = NULL;
      busPdo = NULL;
      return status;
  }
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(lower, irp);
}

static NTSTATUS WINAPI dispatch_pnp(DEVICE_OBJECT *device, IRP *irp) {
  struct extension *ext = device->DeviceExtension;
  if (ext->kind == KIND_CONTROL) return control_pnp(irp);
  if (ext->kind == KIND_CHILD) return child_pnp(device, irp);
  {
    NTSTATUS status = irp->IoStatus.Status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
  }
}

static NTSTATUS WINAPI dispatch_power(DEVICE_OBJECT *device, IRP *irp) {
  struct extension *ext = device->DeviceExtension;
  PoStartNextPowerIrp(irp);
  if (ext->kind == KIND_CONTROL) {
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(lower, irp);
  }
  finish(irp, STATUS_SUCCESS, 0);
  return STATUS_SUCCESS;
}

static NTSTATUS plug(IRP *irp, IO_STACK_LOCATION *stack) {
  const struct ortensim_plug *request = irp->AssociatedIrp.SystemBuffer;
  struct child *child;
  struct extension *ext;
  WCHAR name[48];
  UNICODE_STRING string;
  NTSTATUS status;
  KIRQL irql;
  if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof *request ||
      stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(ULONG))
    return STATUS_BUFFER_TOO_SMALL;
  child = ExAllocatePoolWithTag(NonPagedPool, sizeof *child, POOL_TAG);
  if (!child) return STATUS_NO_MEMORY;
  RtlZeroMemory(child, sizeof *child);
  InitializeListHead(&child->pending);
  InitializeListHead(&child->waiters);
  InitializeListHead(&child->bus);
  child->vendor = request->vendor;
  child->product = request->product;
  child->owner = stack->FileObject;
  child->nextTag = 1;
  KeAcquireSpinLock(&lock, &irql);
  child->number = nextNumber++;
  KeReleaseSpinLock(&lock, irql);
  put_number(put_text(name, L"\\Device\\OrtenSim"), child->number, 10, 1);
  RtlInitUnicodeString(&string, name);
  status = IoCreateDevice(driverObject, sizeof(struct extension), &string, FILE_DEVICE_UNKNOWN,
                          0, FALSE, &child->pdo);
  if (!NT_SUCCESS(status)) {
    ExFreePoolWithTag(child, POOL_TAG);
    return status;
  }
  ext = child->pdo->DeviceExtension;
  ext->kind = KIND_CHILD;
  ext->child = child;
  child->pdo->Flags &= ~DO_DEVICE_INITIALIZING;
  KeAcquireSpinLock(&lock, &irql);
  InsertTailList(&children, &child->all);
  InsertTailList(&plugged, &child->bus);
  KeReleaseSpinLock(&lock, irql);
  IoInvalidateDeviceRelations(busPdo, BusRelations);
  *(ULONG *)irp->AssociatedIrp.SystemBuffer = child->number;
  irp->IoStatus.Information = sizeof(ULONG);
  return STATUS_SUCCESS;
}

static NTSTATUS unplug(IRP *irp, IO_STACK_LOCATION *stack) {
  ULONG number;
  struct child *child = NULL;
  LIST_ENTRY done;
  KIRQL irql;
  if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(ULONG) ||
      stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(ULONG))
    return STATUS_BUFFER_TOO_SMALL;
  number = *(ULONG *)irp->AssociatedIrp.SystemBuffer;
  InitializeListHead(&done);
  KeAcquireSpinLock(&lock, &irql);
  if (number == 0) {
    if (!IsListEmpty(&plugged)) child = CONTAINING_RECORD(plugged.Flink, struct child, bus);
  } else {
    child = find_child(number);
    if (child && child->gone) child = NULL;
  }
  if (child) pull_out(child, &done);
  KeReleaseSpinLock(&lock, irql);
  if (!child) return STATUS_NO_SUCH_DEVICE;
  complete_list(&done);
  unlink_interface(child);
  IoInvalidateDeviceRelations(busPdo, BusRelations);
  *(ULONG *)irp->AssociatedIrp.SystemBuffer = child->number;
  irp->IoStatus.Information = sizeof(ULONG);
  return STATUS_SUCCESS;
}

static NTSTATUS list(IRP *irp, IO_STACK_LOCATION *stack) {
  ULONG room = stack->Parameters.DeviceIoControl.OutputBufferLength / sizeof(ULONG);
  ULONG *out = irp->AssociatedIrp.SystemBuffer;
  ULONG n = 0;
  LIST_ENTRY *entry;
  KIRQL irql;
  if (room < 1) return STATUS_BUFFER_TOO_SMALL;
  KeAcquireSpinLock(&lock, &irql);
  for (entry = plugged.Flink; entry != &plugged && n + 1 < room; entry = entry->Flink)
    out[1 + n++] = CONTAINING_RECORD(entry, struct child, bus)->number;
  KeReleaseSpinLock(&lock, irql);
  out[0] = n;
  irp->IoStatus.Information = (n + 1) * sizeof(ULONG);
  return STATUS_SUCCESS;
}

static NTSTATUS WINAPI dispatch_ioctl(DEVICE_OBJECT *device, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  struct extension *ext = device->DeviceExtension;
  NTSTATUS status = STATUS_INVALID_DEVICE_REQUEST;
  irp->IoStatus.Information = 0;
  if (ext->kind == KIND_CONTROL) {
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
      case IOCTL_ORTENSIM_PLUG: status = plug(irp, stack); break;
      case IOCTL_ORTENSIM_NEXT: status = next_message(irp, stack); break;
      case IOCTL_ORTENSIM_ANSWER: status = answer(irp, stack); break;
      case IOCTL_ORTENSIM_UNPLUG: status = unplug(irp, stack); break;
      case IOCTL_ORTENSIM_LIST: status = list(irp, stack); break;
    }
  }
  if (status == STATUS_PENDING) return status;
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS WINAPI add_device(DRIVER_OBJECT *driver, DEVICE_OBJECT *pdo) {
  UNICODE_STRING name;
  struct extension *ext;
  NTSTATUS status;
  if (control) return STATUS_DEVICE_ALREADY_ATTACHED; /* one bus */
  RtlInitUnicodeString(&name, ORTENSIM_CONTROL_NAME);
  status = IoCreateDevice(driver, sizeof(struct extension), &name, FILE_DEVICE_BUS_EXTENDER, 0,
                          FALSE, &control);
  if (!NT_SUCCESS(status)) return status;
  ext = control->DeviceExtension;
  ext->kind = KIND_CONTROL;
  ext->child = NULL;
  RtlInitUnicodeString(&controlLink, ORTENSIM_CONTROL_LINK);
  IoCreateSymbolicLink(&controlLink, &name);
  lower = IoAttachDeviceToDeviceStack(control, pdo);
  busPdo = pdo;
  control->Flags |= DO_BUFFERED_IO;
  control->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

static void WINAPI unload(DRIVER_OBJECT *driver) {
  (void)driver;
}

NTSTATUS WINAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registry) {
  (void)registry;
  driverObject = driver;
  KeInitializeSpinLock(&lock);
  InitializeListHead(&children);
  InitializeListHead(&plugged);
  driver->DriverExtension->AddDevice = add_device;
  driver->DriverUnload = unload;
  driver->MajorFunction[IRP_MJ_PNP] = dispatch_pnp;
  driver->MajorFunction[IRP_MJ_POWER] = dispatch_power;
  driver->MajorFunction[IRP_MJ_CREATE] = dispatch_create;
  driver->MajorFunction[IRP_MJ_CLEANUP] = dispatch_cleanup;
  driver->MajorFunction[IRP_MJ_CLOSE] = dispatch_close;
  driver->MajorFunction[IRP_MJ_READ] = dispatch_transfer;
  driver->MajorFunction[IRP_MJ_WRITE] = dispatch_transfer;
  driver->MajorFunction[IRP_MJ_FLUSH_BUFFERS] = dispatch_flush;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatch_ioctl;
  return STATUS_SUCCESS;
}
