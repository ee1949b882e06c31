program Demo;

{$APPTYPE CONSOLE}

uses
  SysUtils;

type
  TCounter = object
    Value: Integer;
    procedure Inc;
  end;

  TProc = procedure(X: Integer) of object;
  TFunc = reference to function: Integer;

procedure TCounter.Inc;
begin
  Value := Value + 1;
end;

var
  C: TCounter;
  S: string = 'unterminated
  X: Integer;
  &begin: Integer;
  Größe: Integer;

begin
  C.Value := 0;
  C.Inc;
  &begin := 1 + &begin;
  Größe := $7FFF ** 2;
  if (C.Value <> 0) and not (X >= 10) then
    WriteLn('Value: ', C.Value, ' ', 3.14:0:2)
  else
    WriteLn(#7, ^G);
  X := X shl 2 xor X shr 1;
  X += 1; X -= 1;
  while X > 0 do Dec(X);
  with C do
    Value := 2;
end.
