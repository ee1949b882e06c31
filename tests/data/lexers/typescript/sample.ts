// TypeScript: types, generics, decorators.
import type { Readable } from 'stream';

export interface Shape<T extends object = {}> {
  readonly name: string;
  area(): number;
  tags?: Array<keyof T>;
}

type Maybe<T> = T | undefined | null;
enum Color { Red = 1, Green, Blue }

@Component({ selector: 'app-root' })
export abstract class Base implements Shape<{}> {
  private static count: number = 0;
  protected constructor(public readonly name: string) {}
  abstract area(): number;
  declare meta: unknown;
}

function assertIsString(x: any): asserts x is string {
  if (typeof x !== 'string') throw new TypeError(`expected string, got ${typeof x}`);
}

const ratio = width / height / 2;
const pattern = /^[a-z]+$/i satisfies RegExp;
namespace Geometry {
  export const PI: bigint = 3n;
}
