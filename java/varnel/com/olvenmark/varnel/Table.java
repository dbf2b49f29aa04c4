package com.olvenmark.varnel;

import java.util.concurrent.atomic.AtomicLong;

/**
 * A message table of vrn_core: the tabular form of a parsed HL7 message, with named and
 * typed columns, rows, nested sub-tables and cells that may be null. An Engine parses into
 * one and generates from one. A table made here owns one reference, given back by
 * {@link #release()}; a sub-table's handle belongs to its parent.
 */
public class Table {
    static {
        System.loadLibrary("vrn_java");
    }

    private final AtomicLong handle = new AtomicLong();

    public Table() {
        handle.set(VRNtableCreate());
    }

    public long handle() {
        return handle.get();
    }

    public void release() {
        // Whoever takes the handle first gives it back; every other caller finds 0.
        long table = handle.getAndSet(0);
        if (table != 0) {
            VRNtableRelease(table);
        }
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
