/* The programs' reads and writes on a device's pipes, handed to the program
 * serving the device as messages (IOCTL_ORTENSIM_NEXT) and completed with
 * its answers (IOCTL_ORTENSIM_ANSWER); cancelling and closing end them. */
#include "ortensim.h"

static void copy_bytes(void *to, const void *from, SIZE_T size) {
  UCHAR *t = to;
  const UCHAR *f = from;
  while (size--) *t++ = *f++;
}

/* Takes an IRP off its queue for completion, unless its cancel routine has
 * it already. Called with the lock held. */
static BOOLEAN claim(IRP *irp) {
  if (!IoSetCancelRoutine(irp, NULL)) return FALSE;
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  InitializeListHead(&irp->Tail.Overlay.ListEntry);
  return TRUE;
}

void finish(IRP *irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
}

void complete_list(LIST_ENTRY *done) {
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
void pull_out(struct child *child, LIST_ENTRY *done) {
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

struct child *find_child(ULONG number) {
  LIST_ENTRY *entry;
  for (entry = children.Flink; entry != &children; entry = entry->Flink) {
    struct child *child = CONTAINING_RECORD(entry, struct child, all);
    if (child->number == number) return child;
  }
  return NULL;
}

NTSTATUS next_message(IRP *irp, IO_STACK_LOCATION *stack) {
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

NTSTATUS answer(IRP *irp, IO_STACK_LOCATION *stack) {
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

/* Reads and writes of a program go to the server as messages. */
NTSTATUS WINAPI dispatch_transfer(DEVICE_OBJECT *device, IRP *irp) {
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

NTSTATUS WINAPI dispatch_flush(DEVICE_OBJECT *device, IRP *irp) {
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

NTSTATUS WINAPI dispatch_create(DEVICE_OBJECT *device, IRP *irp) {
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
NTSTATUS WINAPI dispatch_cleanup(DEVICE_OBJECT *device, IRP *irp) {
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

NTSTATUS WINAPI dispatch_close(DEVICE_OBJECT *device, IRP *irp) {
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