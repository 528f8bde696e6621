// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <utility>

/// Counts the bytes one analysis set-up may still allocate and refuses an
/// allocation beyond them with std::bad_alloc, as a failing allocator would.
/// Tests pass a small one to reach the failure path.
/// It allocates nothing itself.
class AllocationBudget {
public:
    static constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();
    /// What one analysis may take by default: enough for every transform size
    /// up to that of 768 kHz (about 190 MiB), never the machine's memory.
    static constexpr std::size_t kAnalysisBytes = std::size_t{512} << 20;

    /// A budget of `bytes` bytes.
    explicit AllocationBudget(std::size_t bytes = kUnlimited) : remaining_(bytes) {}

    /// Takes `count` elements of `elementSize` bytes from the budget, or throws
    /// std::bad_alloc and takes nothing when they do not fit.
    void Take(std::size_t count, std::size_t elementSize) {
        if (elementSize != 0 && count > remaining_ / elementSize) {
            throw std::bad_alloc();
        }
        remaining_ -= count * elementSize;
    }

private:
    std::size_t remaining_;
};

/// An owned array of a fixed number of elements, or nothing (empty). Its
/// contents are left uninitialised when allocated; it frees them itself.
template <typename T>
class OwnedArray {
public:
    /// An empty array: no storage, size 0.
    OwnedArray() = default;

    /// Allocates `count` uninitialised elements within `budget`; throws
    /// std::bad_alloc when the budget or the heap refuses.
    static OwnedArray Allocate(std::size_t count, AllocationBudget& budget) {
        budget.Take(count, sizeof(T));
        return OwnedArray(std::make_unique_for_overwrite<T[]>(count), count);
    }

    /// True while no storage is held.
    bool empty() const { return elements_ == nullptr; }
    /// Number of elements held.
    std::size_t size() const { return size_; }
    /// First element, or null when empty.
    T* data() { return elements_.get(); }
    /// First element, or null when empty.
    const T* data() const { return elements_.get(); }
    /// Element i; i must be below size().
    T& operator[](std::size_t i) { return elements_[i]; }
    /// Element i; i must be below size().
    const T& operator[](std::size_t i) const { return elements_[i]; }
    /// All elements.
    std::span<T> span() { return {elements_.get(), size_}; }
    /// All elements.
    std::span<const T> span() const { return {elements_.get(), size_}; }

private:
    OwnedArray(std::unique_ptr<T[]> elements, std::size_t size) : elements_(std::move(elements)), size_(size) {}

    std::unique_ptr<T[]> elements_;
    std::size_t size_ = 0;
};

/// One row of a TwiddleTable: the row's L values, read and written by column.
template <typename Value>
class TwiddleRow {
public:
    /// The row whose column 0 is at `first`, each further column `columnStride` values on.
    TwiddleRow(Value* first, std::size_t columnStride) : first_(first), stride_(columnStride) {}

    /// The value in column j of this row.
    Value& operator[](std::size_t j) const { return first_[j * stride_]; }

private:
    Value* first_;
    std::size_t stride_;
};

/// A table of N rows of L doubles, table[i][j] being row i, column j. The
/// values are stored column after column, so that the transform, which reads
/// one column per stage at evenly spaced rows, walks memory forwards. Owns one
/// block for all cells; empty until allocated.
class TwiddleTable {
public:
    /// An empty table: no rows.
    TwiddleTable() = default;

    /// Allocates rows x columns uninitialised cells within `budget`; throws
    /// std::bad_alloc when the budget or the heap refuses.
    static TwiddleTable Allocate(std::size_t rows, std::size_t columns, AllocationBudget& budget) {
        return TwiddleTable(OwnedArray<double>::Allocate(rows * columns, budget), rows, columns);
    }

    /// True while no storage is held.
    bool empty() const { return cells_.empty(); }
    /// Number of rows (N).
    std::size_t Rows() const { return rows_; }
    /// Number of columns (L).
    std::size_t Columns() const { return columns_; }
    /// Row i; i must be below Rows().
    TwiddleRow<double> operator[](std::size_t i) { return {cells_.data() + i, rows_}; }
    /// Row i; i must be below Rows().
    TwiddleRow<const double> operator[](std::size_t i) const { return {cells_.data() + i, rows_}; }
    /// Column j from row 0 to row N - 1; j must be below Columns().
    std::span<double> Column(std::size_t j) { return cells_.span().subspan(j * rows_, rows_); }
    /// Column j from row 0 to row N - 1; j must be below Columns().
    std::span<const double> Column(std::size_t j) const { return cells_.span().subspan(j * rows_, rows_); }

private:
    TwiddleTable(OwnedArray<double> cells, std::size_t rows, std::size_t columns)
        : cells_(std::move(cells)), rows_(rows), columns_(columns) {}

    OwnedArray<double> cells_;
    std::size_t rows_ = 0;
    std::size_t columns_ = 0;
};
