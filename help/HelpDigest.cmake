# Writes the SHA-256 of the compiled help file into a source file, so that the program opens that
# help file and no other (see platform/ChmFile.h). Called by the help file's build step with
# -DCHM=<help file> -DOUT=<source file>.
file(SHA256 "${CHM}" _digest)
file(WRITE "${OUT}" "// Made by help/HelpDigest.cmake from the help file this build compiled.\n"
                    "extern const char QuillmarHelpFileDigest[] = \"${_digest}\";\n")
