#pragma once
// Lists of 8-bit strings, each with a pointer-sized object. TStrings is the abstract list
// (a list box's items derive from it); TStringList keeps its entries in memory, optionally
// sorted.
#include "platform/Exception.h"
#include <functional>
#include <vector>

using TObject = void;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings {
public:
    virtual ~TStrings() = default;

    // ---- storage, supplied by descendants
    virtual int Count() const = 0;
    virtual const AnsiString &Get(int Index) const = 0;
    virtual void Put(int Index, const AnsiString &S);
    virtual TObject *GetObject(int Index) const;
    virtual void PutObject(int Index, TObject *AObject);
    virtual void Insert(int Index, const AnsiString &S) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;

    // ---- common operations
    const AnsiString &Strings(int Index) const { return Get(Index); }
    const AnsiString &operator[](int Index) const { return Get(Index); }
    TObject *Objects(int Index) const { return GetObject(Index); }

    virtual int Add(const AnsiString &S);
    int AddObject(const AnsiString &S, TObject *AObject);
    void InsertObject(int Index, const AnsiString &S, TObject *AObject);
    void AddStrings(const TStrings &Strings);
    void Assign(const TStrings &Source);
    void Move(int CurIndex, int NewIndex);
    virtual void Exchange(int Index1, int Index2);

    // Case-insensitive unless the list says otherwise (TStringList::CaseSensitive).
    virtual int IndexOf(const AnsiString &S) const;
    int IndexOfName(const AnsiString &Name) const;
    int IndexOfObject(const TObject *AObject) const;

    // "name=value" entries.
    AnsiString Names(int Index) const;
    AnsiString Values(const AnsiString &Name) const;
    void SetValue(const AnsiString &Name, const AnsiString &Value);

    // Lines joined by CR LF, each line ended (the last one too).
    AnsiString Text() const;
    // Splits on CR LF, LF or CR; a final line break adds no empty line.
    void SetText(const AnsiString &Text);
    AnsiString CommaText() const;
    void SetCommaText(const AnsiString &Text);

    void LoadFromFile(const AnsiString &FileName);
    void SaveToFile(const AnsiString &FileName) const;

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    virtual bool CaseSensitive() const { return false; }
    int CompareStrings(const AnsiString &S1, const AnsiString &S2) const;

protected:
    // Called when the update count goes 0 -> 1 (true) and 1 -> 0 (false).
    virtual void SetUpdateState(bool) {}
    [[noreturn]] static void IndexError(int Index);

private:
    int FUpdateCount = 0;
};

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(const TStringList &Other) { Assign(Other); }
    TStringList &operator=(const TStringList &Other)
    {
        if (this != &Other)
            Assign(Other);
        return *this;
    }

    int Count() const override { return static_cast<int>(FItems.size()); }
    const AnsiString &Get(int Index) const override;
    void Put(int Index, const AnsiString &S) override;
    TObject *GetObject(int Index) const override;
    void PutObject(int Index, TObject *AObject) override;
    void Insert(int Index, const AnsiString &S) override;
    void Delete(int Index) override;
    void Clear() override;
    void Exchange(int Index1, int Index2) override;

    // In a sorted list Add finds the place and applies Duplicates.
    int Add(const AnsiString &S) override;
    int IndexOf(const AnsiString &S) const override;
    // Binary search of a sorted list: true when found; Index is the match or the insert point.
    bool Find(const AnsiString &S, int &Index) const;
    void Sort();
    void CustomSort(const std::function<int(const TStringList &, int, int)> &Compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool CaseSensitive() const override { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);

    std::function<void(TStringList &)> OnChange;
    std::function<void(TStringList &)> OnChanging;

protected:
    void SetUpdateState(bool Updating) override;
    void Changed();
    void Changing();

private:
    struct Item {
        AnsiString S;
        TObject *Obj = nullptr;
    };
    std::vector<Item> FItems;
    bool FSorted = false;
    bool FCaseSensitive = false;
    TDuplicates FDuplicates = dupIgnore;
    void CheckIndex(int Index) const;
};
