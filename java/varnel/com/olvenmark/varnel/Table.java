package com.olvenmark.varnel;

/**
 * A message table of vrn_core: the tabular form of a parsed HL7 message, with named and
 * typed columns, rows, nested sub-tables and cells that may be null. An Engine parses into
 * one and generates from one. A table made here owns one reference, given back by
 * {@link #release()}. The natives take the handle as an argument: a caller takes it from
 * use(), which holds it open for the natives of one block. A sub-table's handle belongs to
 * its parent, and the parent's use() holds it open with its own.
 */
public class Table {
    static {
        System.loadLibrary("vrn_java");
    }

    private final OwnedHandle handle;

    public Table() {
        handle = new OwnedHandle(VRNtableCreate(), "Table") {
            @Override
            void giveBack(long table) {
                VRNtableRelease(table);
            }
        };
    }

    /** The handle, 0 once released. A value read here is held open by nothing: see {@link #use()}. */
    public long handle() {
        return handle.value();
    }

    /** The handle held open for the natives a block calls with it ({@link HandleUse}); a VarnelException once released. */
    public HandleUse use() {
        return new HandleUse(handle);
    }

    /** Gives the reference back once however many threads call it: now, or when the last call in flight has left. */
    public void release() {
        handle.close();
    }

    public native long VRNtableCreate();
    public native void VRNtableAddRef(long h);
    public native void VRNtableRelease(long h);
    public native String VRNtableName(long h);
    public native long VRNtableSubTable(long h, int first, int second);
    public native int VRNtableCountOfColumn(long h);
    public native int VRNtableCountOfRow(long h);
    public native int VRNtableCountOfSubTable(long h);
    public native int VRNtableColumnType(long h, int column);
    public native String VRNtableColumnName(long h, int column);
    public native boolean VRNtableIsNull(long h, int first, int second);
    public native int VRNtableState(long h, int first, int second);
    public native String VRNtableGetString(long h, int first, int second);
    public native double VRNtableGetDouble(long h, int first, int second);
    public native int VRNtableGetInteger(long h, int first, int second);
    public native long VRNtableGetDateTime(long h, int first, int second);
    public native void VRNtableSetDouble(long h, int first, int second, double value);
    public native void VRNtableSetInteger(long h, int first, int second, int value);
    public native void VRNtableSetDateTime(long h, int first, int second, long value);
    public native void VRNtableAddRow(long h);
    public native String VRNtableDump(long h);
    public native int VRNtableColumnIndex(long h, String name);
    public native void VRNtableSetString(long h, int first, int second, String value);
}
