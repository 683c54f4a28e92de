#pragma once
// Text dump of the symbol model and the shared lists after a check, for the model tests.
#include <string>

#include "checker/CheckerLists.h"
#include "checker/JSModel.h"

inline std::string DumpVariable(const std::string &Name, const TJSVariable *V)
{
    std::string s = Name + ":" + std::to_string(V->GetKind());
    if (!V->GetText().empty())
        s += "(" + V->GetText() + ")";
    return s;
}

inline std::string DumpLines(const char *Title, const TNamedList<TCheckLine> &List)
{
    if (List.Count() == 0)
        return {};
    std::string s = std::string(Title) + ":";
    for (const auto &e : List)
        s += " " + e.Name + "@" + ToText(e.Value);
    return s + "\n";
}

inline std::string DumpCall(const std::string &Name, const TJSFunctionCall *C)
{
    std::string s = Name + "@" + ToText(C->GetLine()) + "(";
    for (int a = 0; a < C->ArgumentCount(); ++a) {
        AnsiString text;
        int32_t n = C->GetArgument(a, text);
        if (a)
            s += ",";
        s += text + ":" + std::to_string(n);
    }
    return s + ")";
}

inline std::string DumpModel(const TCheckerLists &L)
{
    std::string out;
    for (int i = 0; i < L.Functions.Count(); ++i) {
        const TJSFunction *f = L.Functions.At(i);
        out += "F " + L.Functions[i] + " parent=" + std::to_string(f->GetParentIndex()) +
               " line=" + ToText(f->GetLine()) + " params=[";
        for (int p = 0; p < f->Parameters().Count(); ++p)
            out += (p ? "," : "") + f->Parameters()[p];
        out += "]";
        if (f->Locals().Count()) {
            out += " locals=[";
            for (int p = 0; p < f->Locals().Count(); ++p)
                out += (p ? "," : "") + DumpVariable(f->Locals()[p], f->Locals().At(p));
            out += "]";
        }
        if (f->Calls().Count()) {
            out += " calls=[";
            for (int c = 0; c < f->Calls().Count(); ++c)
                out += (c ? "," : "") + DumpCall(f->Calls()[c], f->Calls().At(c));
            out += "]";
        }
        if (f->References().Count()) {
            out += " refs=[";
            for (int r = 0; r < f->References().Count(); ++r)
                out += (r ? "," : "") + f->References()[r] + "@" + ToText(f->References().Line(r));
            out += "]";
        }
        if (f->HtmlObjects().Count()) {
            out += " html=[";
            for (int r = 0; r < f->HtmlObjects().Count(); ++r)
                out += (r ? "," : "") + f->HtmlObjects()[r];
            out += "]";
        }
        if (f->EmbeddedFunctions().Count()) {
            out += " embedded=[";
            for (int r = 0; r < f->EmbeddedFunctions().Count(); ++r)
                out += (r ? "," : "") + f->EmbeddedFunctions()[r];
            out += "]";
        }
        AnsiString rn;
        int32_t rc = f->GetReturnInfo(rn);
        if (rc)
            out += " return=" + std::to_string(rc) + ":" + rn;
        out += "\n";
    }
    if (L.GlobalVars.Count()) {
        out += "G:";
        for (int i = 0; i < L.GlobalVars.Count(); ++i) {
            const TJSVariable *v = L.GlobalVars.At(i);
            out += " " + DumpVariable(L.GlobalVars[i], v) + "@" + ToText(v->GetDeclLine());
            if (v->Members().Count()) {
                out += "{";
                for (int m = 0; m < v->Members().Count(); ++m)
                    out += (m ? "," : "") + v->Members()[m];
                out += "}";
            }
        }
        out += "\n";
    }
    if (!L.Calls.empty()) {
        out += "Calls:";
        for (const TGlobalCall &c : L.Calls)
            out += " " + DumpCall(c.Name, c.Call.get());
        out += "\n";
    }
    out += DumpLines("Refs", L.GlobalRefs);
    out += DumpLines("HTMLRefs", L.GlobalHTMLRefs);
    out += DumpLines("Windows", L.OpenedWindows);
    if (!L.NewRecords.empty()) {
        out += "New:";
        for (const TNewRecord &r : L.NewRecords)
            out +=
                " " + r.Variable + "|" + r.Constructor + "|" + std::to_string(r.Scope) + "@" + ToText(r.Line);
        out += "\n";
    }
    if (L.PrototypeInstances.Count()) {
        // in the written forms: owner.possiblePrototypeInstN\member, owner.prototypeInstN\member, C.prototype.m
        out += "Proto:";
        for (int i = 0; i < L.PrototypeInstances.Count(); ++i) {
            const TPrototypeRecord &r = L.PrototypeInstances[i];
            out += " " + r.Object;
            if (r.Kind == pkPath)
                out += ".prototype" + (r.Member.empty() ? std::string() : "." + r.Member);
            else
                out += std::string(r.Kind == pkPossible ? ".possiblePrototypeInst" : ".prototypeInst") +
                       std::to_string(r.Scope) + "\\" + r.Member;
            out += "@" + ToText(r.Line);
        }
        out += "\n";
    }
    out += DumpLines("Dynamic", L.DynamicNames);
    out += DumpLines("Labels", L.LabelDefs);
    out += DumpLines("LabelRefs", L.LabelRefs);
    out += DumpLines("With", L.WithObjects);
    return out;
}
