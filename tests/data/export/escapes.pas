{ Characters an export must keep: tabs, braces, backslashes, markup and non-ASCII. }
program Escapes;

const
	Path = 'C:\temp\{new}\';   { a brace { inside }
	Tags = '<b>&amp;</b> "quoted"';
	Mixed = 'café – €5 – 日本語 – 😀🎉';  // astral: two UTF-16 units each
   
begin
		WriteLn(Path, Tags);	// tab	inside
  (* trailing blanks *)   
end.
