/* A bus driver for tests under wine: each "plug" makes a child device with a
 * USB-style hardware ID, registers the receiver's interface class for it and
 * serves the two pipes "\PIPE00" (write) and "\PIPE01" (read). Every transfer
 * is handed to the program that plugged the device (ortensim.exe, running the
 * simulated receiver) and completed with its answer: an inverted call, the
 * program waiting in IOCTL_ORTENSIM_NEXT. Test code only, never installed for
 * users. */
#include <ntifs.h>
#include <wdm.h>

#include "SimBusProtocol.h"

/* Wine does not hand a trailing name ("\PIPE00") through a device object to
 * its driver, so the pipes are device objects of their own in an object
 * directory, and the interface's link points at that directory. */

enum kind { KIND_CONTROL = 1, KIND_CHILD, KIND_PIPE };

#define QUEUE_SIZE 64
#define POOL_TAG 0x6D69734FUL /* "Osim" */

struct child {
  LIST_ENTRY all;   /* every child not yet freed */
  LIST_ENTRY bus;   /* the children plugged in, as the bus reports them */
  ULONG number; /* also its instance ID: wine mixes up a reused one */
  USHORT vendor, product;
  FILE_OBJECT *owner; /* the serving program's handle on the control device */
  DEVICE_OBJECT *pdo;
  DEVICE_OBJECT *pipes[2];
  FILE_OBJECT *opened[2]; /* who holds each pipe: one program at a time */
  HANDLE directory;
  UNICODE_STRING link; /* the interface's symbolic link */
  LONG linked;
  BOOLEAN gone, pdoDeleted;
  LIST_ENTRY pending; /* programs' transfers waiting for an answer */
  LIST_ENTRY waiters; /* the serving program's IOCTL_ORTENSIM_NEXT */
  struct ortensim_message queue[QUEUE_SIZE];
  ULONG head, count;
  ULONG nextTag;
};

struct extension {
  enum kind kind;
  struct child *child;
  ULONG pipe;
};

static KSPIN_LOCK lock;
static LIST_ENTRY children;
static LIST_ENTRY plugged;
static ULONG nextNumber = 1;
static DEVICE_OBJECT *control, *busPdo, *lower;
static DRIVER_OBJECT *driverObject;
static UNICODE_STRING controlLink;

static const GUID receiverInterface = {
    0xE6EF7DCD, 0x1795, 0x4A08, {0x9F, 0xBF, 0xAA, 0x78, 0x42, 0x3C, 0x26, 0xF0}};

static void copy_bytes(void *to, const void *from, SIZE_T size) {
  UCHAR *t = to;
  const UCHAR *f = from;
  while (size--) *t++ = *f++;
}

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

/* Takes an IRP off its queue for completion, unless its cancel routine has
 * it already. Called with the lock held. */
static BOOLEAN claim(IRP *irp) {
  if (!IoSetCancelRoutine(irp, NULL)) return FALSE;
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  InitializeListHead(&irp->Tail.Overlay.ListEntry);
  return TRUE;
}

static void finish(IRP *irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
}

static void complete_list(LIST_ENTRY *done) {
  while (!IsListEmpty(done)) {
    IRP *irp = CONTAINING_RECORD(RemoveHeadList(done), IRP, Tail.Overlay.ListEntry);
    IoCompleteRequest(irp, IO_NO_INCREMENT);
  }
}

/* Hands a message to a waiting IOCTL_ORTENSIM_NEXT, or queues it. Called
 * with the lock held; what to complete goes to done. */
static void post(struct child *child, const struct ortensim_message *message, LIST_ENTRY *done) {
  LIST_ENTRY *entry;
  for (entry = child->waiters.Flink; entry != &child->waiters; entry = entry->Flink) {
    IRP *waiter = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    if (!claim(waiter)) continue;
    copy_bytes(waiter->AssociatedIrp.SystemBuffer, message, sizeof *message);
    waiter->IoStatus.Status = STATUS_SUCCESS;
    waiter->IoStatus.Information = sizeof *message;
    InsertTailList(done, &waiter->Tail.Overlay.ListEntry);
    return;
  }
  if (child->count == QUEUE_SIZE) return; /* a program that stopped serving: dropped */
  copy_bytes(&child->queue[(child->head + child->count) % QUEUE_SIZE], message, sizeof *message);
  ++child->count;
}

static void post_kind(struct child *child, ULONG kind, ULONG tag, LIST_ENTRY *done) {
  struct ortensim_message message = {kind, tag, 0, {0}};
  post(child, &message, done);
}

static void WINAPI cancel_queued(DEVICE_OBJECT *device, IRP *irp) {
  struct child *child = irp->Tail.Overlay.DriverContext[0];
  ULONG_PTR tag = (ULONG_PTR)irp->Tail.Overlay.DriverContext[1];
  LIST_ENTRY done;
  KIRQL irql;
  (void)device;
  IoReleaseCancelSpinLock(irp->CancelIrql);
  InitializeListHead(&done);
  KeAcquireSpinLock(&lock, &irql);
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  InitializeListHead(&irp->Tail.Overlay.ListEntry);
  /* A program's transfer, not the server's wait: the server forgets it. */
  if (tag && !child->gone) post_kind(child, ORTENSIM_CANCEL, (ULONG)tag, &done);
  KeReleaseSpinLock(&lock, irql);
  complete_list(&done);
  finish(irp, STATUS_CANCELLED, 0);
}

/* Queues an IRP until it is answered or cancelled; tag 0 marks the server's
 * own waits. Called with the lock held. False: cancelled already. */
static BOOLEAN hold(struct child *child, LIST_ENTRY *list, IRP *irp, ULONG tag) {
  irp->Tail.Overlay.DriverContext[0] = child;
  irp->Tail.Overlay.DriverContext[1] = (void *)(ULONG_PTR)tag;
  IoMarkIrpPending(irp);
  InsertTailList(list, &irp->Tail.Overlay.ListEntry);
  IoSetCancelRoutine(irp, cancel_queued);
  if (irp->Cancel && IoSetCancelRoutine(irp, NULL)) {
    RemoveEntryList(&irp->Tail.Overlay.ListEntry);
    return FALSE;
  }
  return TRUE;
}

/* Every transfer still waiting fails as a device pulled out fails it, and
 * the server hears that its device is gone. Called with the lock held. */
static void pull_out(struct child *child, LIST_ENTRY *done) {
  LIST_ENTRY *entry = child->pending.Flink;
  child->gone = TRUE;
  RemoveEntryList(&child->bus);
  InitializeListHead(&child->bus);
  while (entry != &child->pending) {
    IRP *irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    entry = entry->Flink;
    if (!claim(irp)) continue;
    irp->IoStatus.Status = STATUS_DEVICE_NOT_CONNECTED;
    irp->IoStatus.Information = 0;
    InsertTailList(done, &irp->Tail.Overlay.ListEntry);
  }
  child->count = 0;
  post_kind(child, ORTENSIM_GONE, 0, done);
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

static struct child *find_child(ULONG number) {
  LIST_ENTRY *entry;
  for (entry = children.Flink; entry != &children; entry = entry->Flink) {
    struct child *child = CONTAINING_RECORD(entry, struct child, all);
    if (child->number == number) return child;
  }
  return NULL;
}

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

static void unplug_all(FILE_OBJECT *owner) {
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

static NTSTATUS next_message(IRP *irp, IO_STACK_LOCATION *stack) {
  struct child *child;
  NTSTATUS status = STATUS_PENDING;
  KIRQL irql;
  if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(ULONG) ||
      stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(struct ortensim_message))
    return STATUS_BUFFER_TOO_SMALL;
  KeAcquireSpinLock(&lock, &irql);
  child = find_child(*(ULONG *)irp->AssociatedIrp.SystemBuffer);
  if (!child) {
    status = STATUS_NO_SUCH_DEVICE;
  } else if (child->count) {
    copy_bytes(irp->AssociatedIrp.SystemBuffer, &child->queue[child->head],
               sizeof(struct ortensim_message));
    child->head = (child->head + 1) % QUEUE_SIZE;
    --child->count;
    irp->IoStatus.Information = sizeof(struct ortensim_message);
    status = STATUS_SUCCESS;
  } else if (child->gone) {
    struct ortensim_message gone = {ORTENSIM_GONE, 0, 0, {0}};
    copy_bytes(irp->AssociatedIrp.SystemBuffer, &gone, sizeof gone);
    irp->IoStatus.Information = sizeof gone;
    status = STATUS_SUCCESS;
  } else if (!hold(child, &child->waiters, irp, 0)) {
    status = STATUS_CANCELLED;
  }
  KeReleaseSpinLock(&lock, irql);
  return status;
}

static NTSTATUS answer(IRP *irp, IO_STACK_LOCATION *stack) {
  const struct ortensim_answer *reply = irp->AssociatedIrp.SystemBuffer;
  struct child *child;
  IRP *found = NULL;
  LIST_ENTRY *entry;
  KIRQL irql;
  if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof *reply)
    return STATUS_BUFFER_TOO_SMALL;
  KeAcquireSpinLock(&lock, &irql);
  child = find_child(reply->number);
  if (child) {
    for (entry = child->pending.Flink; entry != &child->pending; entry = entry->Flink) {
      IRP *irp2 = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
      if ((ULONG_PTR)irp2->Tail.Overlay.DriverContext[1] != reply->tag) continue;
      if (claim(irp2)) found = irp2;
      break;
    }
  }
  KeReleaseSpinLock(&lock, irql);
  if (!found) return STATUS_NOT_FOUND; /* given up by its program meanwhile */
  {
    IO_STACK_LOCATION *user = IoGetCurrentIrpStackLocation(found);
    ULONG length = reply->length;
    if (user->MajorFunction == IRP_MJ_READ) {
      if (length > user->Parameters.Read.Length) length = user->Parameters.Read.Length;
      if (length > ORTENSIM_PACKET) length = ORTENSIM_PACKET;
      copy_bytes(found->AssociatedIrp.SystemBuffer, reply->data, length);
    } else {
      length = user->Parameters.Write.Length; /* a write is taken whole or fails */
    }
    finish(found, reply->status, NT_SUCCESS(reply->status) ? length : 0);
  }
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

/* Reads and writes of a program go to the server as messages. */
static NTSTATUS WINAPI dispatch_transfer(DEVICE_OBJECT *device, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  struct extension *ext = device->DeviceExtension;
  struct child *child = ext->child;
  struct ortensim_message message = {0, 0, 0, {0}};
  NTSTATUS status = STATUS_PENDING;
  LIST_ENTRY done;
  KIRQL irql;
  if (ext->kind != KIND_PIPE) {
    finish(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    return STATUS_INVALID_DEVICE_REQUEST;
  }
  InitializeListHead(&done);
  if (stack->MajorFunction == IRP_MJ_WRITE) {
    message.kind = ORTENSIM_WRITE;
    message.length = stack->Parameters.Write.Length;
    if (ext->pipe != 0 || message.length > ORTENSIM_PACKET) status = STATUS_INVALID_PARAMETER;
    else copy_bytes(message.data, irp->AssociatedIrp.SystemBuffer, message.length);
  } else {
    message.kind = ORTENSIM_READ;
    message.length = stack->Parameters.Read.Length;
    if (message.length > ORTENSIM_PACKET) message.length = ORTENSIM_PACKET;  /* one packet a read */
    if (ext->pipe != 1) status = STATUS_INVALID_PARAMETER;
  }
  if (status == STATUS_PENDING && message.length == 0) status = STATUS_SUCCESS;
  KeAcquireSpinLock(&lock, &irql);
  /* A device pulled out refuses whatever comes after, as one being deleted does. */
  if (status == STATUS_PENDING && child->gone) status = STATUS_DELETE_PENDING;
  if (status == STATUS_PENDING) {
    message.tag = child->nextTag++;
    if (!child->nextTag) child->nextTag = 1;
    if (hold(child, &child->pending, irp, message.tag)) post(child, &message, &done);
    else status = STATUS_CANCELLED;
  }
  KeReleaseSpinLock(&lock, irql);
  complete_list(&done);
  if (status != STATUS_PENDING) finish(irp, status, 0);
  return status;
}

static NTSTATUS WINAPI dispatch_flush(DEVICE_OBJECT *device, IRP *irp) {
  struct extension *ext = device->DeviceExtension;
  LIST_ENTRY done;
  KIRQL irql;
  InitializeListHead(&done);
  if (ext->kind == KIND_PIPE && ext->pipe == 1) {
    KeAcquireSpinLock(&lock, &irql);
    if (!ext->child->gone) post_kind(ext->child, ORTENSIM_FLUSH, 0, &done);
    KeReleaseSpinLock(&lock, irql);
    complete_list(&done);
  }
  finish(irp, STATUS_SUCCESS, 0);
  return STATUS_SUCCESS;
}

static NTSTATUS WINAPI dispatch_create(DEVICE_OBJECT *device, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  struct extension *ext = device->DeviceExtension;
  NTSTATUS status = STATUS_SUCCESS;
  KIRQL irql;
  if (ext->kind == KIND_PIPE) {
    KeAcquireSpinLock(&lock, &irql);
    if (ext->child->gone) status = STATUS_DELETE_PENDING;
    else if (ext->child->opened[ext->pipe]) status = STATUS_SHARING_VIOLATION;  /* one program at a time */
    else ext->child->opened[ext->pipe] = stack->FileObject;
    KeReleaseSpinLock(&lock, irql);
  }
  finish(irp, status, 0);
  return status;
}

/* The last handle of a program went: its transfers end (the pipe is free at
 * the close that follows); a server that went leaves no device behind. */
static NTSTATUS WINAPI dispatch_cleanup(DEVICE_OBJECT *device, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  struct extension *ext = device->DeviceExtension;
  LIST_ENTRY done;
  KIRQL irql;
  InitializeListHead(&done);
  if (ext->kind == KIND_CONTROL) {
    unplug_all(stack->FileObject);
  } else if (ext->kind == KIND_PIPE) {
    struct child *child = ext->child;
    LIST_ENTRY *entry;
    KeAcquireSpinLock(&lock, &irql);
    entry = child->pending.Flink;
    while (entry != &child->pending) {
      IRP *held = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
      entry = entry->Flink;
      if (IoGetCurrentIrpStackLocation(held)->FileObject != stack->FileObject || !claim(held))
        continue;
      if (!child->gone)
        post_kind(child, ORTENSIM_CANCEL, (ULONG)(ULONG_PTR)held->Tail.Overlay.DriverContext[1],
                  &done);
      held->IoStatus.Status = STATUS_CANCELLED;
      held->IoStatus.Information = 0;
      InsertTailList(&done, &held->Tail.Overlay.ListEntry);
    }
    KeReleaseSpinLock(&lock, irql);
    complete_list(&done);
  }
  finish(irp, STATUS_SUCCESS, 0);
  return STATUS_SUCCESS;
}

static NTSTATUS WINAPI dispatch_close(DEVICE_OBJECT *device, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  struct extension *ext = device->DeviceExtension;
  KIRQL irql;
  if (ext->kind == KIND_PIPE) {
    KeAcquireSpinLock(&lock, &irql);
    if (ext->child->opened[ext->pipe] == stack->FileObject) ext->child->opened[ext->pipe] = NULL;
    KeReleaseSpinLock(&lock, irql);
  }
  finish(irp, STATUS_SUCCESS, 0);
  return STATUS_SUCCESS;
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
