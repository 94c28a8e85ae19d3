# fish completion of halvricctl. The program writes the completions when fish loads this file,
# from its own commands and with their descriptions in the user's language.
halvricctl completion fish 2>/dev/null | source
