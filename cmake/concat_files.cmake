# cmake -DOUTPUT=<file> -DINPUTS=<a;b;...> -P concat_files.cmake
# Joins the input files into one, each ending with a line break.
file(WRITE ${OUTPUT} "")
foreach(input IN LISTS INPUTS)
  file(READ ${input} text)
  file(APPEND ${OUTPUT} "${text}\n")
endforeach()
