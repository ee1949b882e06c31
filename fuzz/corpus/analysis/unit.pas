{ Shapes: a unit that exercises declarations, properties and routines. }
{$mode delphi}{$H+}
unit Shapes;

interface

uses
  Classes, SysUtils, { comment inside the clause }
  Math in 'math.pas';

const
  MaxShapes = 1024;
  Mask = $FF00;
  Flags = %1010;
  Perms = &755;
  Ratio = 1.5e-3;
  Pi2 = 6.2832;
  Range = 1..10;
  CrLf = #13#10;
  Tab = #$09;
  Greeting = 'It''s a ''shape''' + CrLf;

type
  TShapeClass = class of TShape;
  TShape = class;                      // forward declaration

  IDrawable = interface(IInterface)
    ['{6A1B2C3D-0000-4000-8000-00C04FD430C8}']
    procedure Draw(Canvas: TObject);
  end;

  TPoint2 = packed record
    X, Y: Double;
    case Kind: Integer of
      0: (Tag: Integer);
      1: (Raw: array[0..1] of Byte);
  end;

  TShape = class(TInterfacedObject, IDrawable)
  strict private
    FName: string;
    FItems: array of TPoint2;
    function GetItem(Index: Integer): TPoint2;
    procedure SetItem(Index: Integer; const Value: TPoint2);
  protected
    procedure Changed; virtual;
  public
    constructor Create(const AName: string);
    destructor Destroy; override;
    procedure Draw(Canvas: TObject); virtual; abstract;
    class function Kind: string; static;
    property Name: string read FName write FName stored True;
    property Items[Index: Integer; Flag: Boolean]: TPoint2 read GetItem write SetItem; default;
    property Count: Integer index 3 read GetCount;
  end;

  TList<T> = class(TObject)
  private
    FData: array of T;
  end;

  TSquare = class sealed(TShape)
  end;

function Area(const P: TPoint2): Double; overload;
procedure Log(const Msg: string); forward;

implementation

{$REGION 'Helpers'}
function Clamp(Value, Lo, Hi: Integer): Integer;
begin
  if Value < Lo then
    Result := Lo
  else if Value > Hi then
    Result := Hi
  else
    Result := Value;
end;
{$ENDREGION}

function Area(const P: TPoint2): Double;
var
  Local: record
    A, B: Double;
  end;

  procedure Nested;
  begin
    Local.A := P.X * P.Y;
  end;

begin
  Nested;
  Result := Local.A;
end;

constructor TShape.Create(const AName: string);
begin
  inherited Create;
  FName := AName;
end;

destructor TShape.Destroy;
begin
  (* release the items
     before the shape goes *)
  SetLength(FItems, 0);
  inherited;
end;

procedure TShape.Changed;
var
  I: Integer;
begin
  // first comment line
  // second comment line
  // third comment line
  for I := 0 to High(FItems) do
  begin
    case I mod 3 of
      0: FItems[I].X := 0;
      1, 2:
        begin
          FItems[I].Y := Clamp(I, 0, MaxShapes);
        end;
    else
      Log('odd');
    end;
  end;
  repeat
    Dec(I);
  until I <= 0;
  try
    try
      raise Exception.Create('failed');
    finally
      FName := '';
    end;
  except
    on E: Exception do
      Log(E.Message);
  end;
end;

class function TShape.Kind: string;
begin
  Result := 'shape';
end;

function TShape.GetItem(Index: Integer): TPoint2;
begin
  Result := FItems[Index];
end;

procedure TShape.SetItem(Index: Integer; const Value: TPoint2);
begin
  FItems[Index] := Value;
  Changed;
end;

procedure Log(const Msg: string);
begin
  {$IFDEF DEBUG}
  WriteLn(StdErr, Msg);
  {$ENDIF}
end;

function MessageBoxA(Wnd: Pointer; Text, Caption: PChar; Flags: Cardinal): Integer;
  stdcall; external 'user32.dll' name 'MessageBoxA';

initialization
  Log('loaded');

finalization
  Log('unloaded');

end.
