// The settings the program ships with. A first start writes them as the settings file, so the
// editor starts with readable colours; the values here are also the defaults of their keys when
// a settings file lacks them. Every key they leave out takes its built-in default.
#include "shell/Settings.h"

const char *ShippedSettingsText()
{
    // Colours are 0x00BBGGRR as decimal numbers; styles 1 bold, 2 italic.
    return "[Colours]\n"
           "EditBackground=16777215\n"
           "TreeView=16777215\n"
           "Errors=16777215\n"
           "Gutter=15790320\n"
           "Marked=10092543\n"
           "[Javascript]\n"
           "CommentFG=32768\n"
           "CommentBG=16777215\n"
           "CommentStyle=2\n"
           "NumbersFG=8421376\n"
           "NumbersBG=16777215\n"
           "NumbersStyle=0\n"
           "StringsFG=192\n"
           "StringsBG=16777215\n"
           "StringsStyle=0\n"
           "KeywordsFG=8388608\n"
           "KeywordsBG=16777215\n"
           "KeywordsStyle=1\n"
           "[HTML]\n"
           "CommentFG=8421504\n"
           "CommentBG=16777215\n"
           "CommentStyle=2\n"
           "NumbersFG=8421376\n"
           "NumberBG=16777215\n"
           "NumbersStyle=0\n"
           "StringsFG=12582912\n"
           "StringsBG=16777215\n"
           "StringsStyle=0\n"
           "TagsFG=8388608\n"
           "TagsBG=16777215\n"
           "TagsStyle=1\n"
           "ScriptFG=8388736\n"
           "ScriptBG=16777215\n"
           "ScriptStyle=0\n"
           "NamesFG=128\n"
           "NamesBG=16777215\n"
           "NamesStyle=0\n";
}
